// The JSON reader the tests use to judge a program's JSON output: it must refuse what a strict
// reader refuses, or a malformed report would pass as well-formed.
#include <gtest/gtest.h>

#include <string>

#include "support/json_reader.h"
#include "support/table.h"

namespace {

struct Document : tsctest::Row {
    std::string text;
};

class MalformedJson : public ::testing::TestWithParam<Document> {};

TEST_P(MalformedJson, IsRefused) {
    std::string error;
    EXPECT_FALSE(tsctest::ParseJson(GetParam().text, &error).has_value());
    EXPECT_FALSE(error.empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Documents, MalformedJson, ::testing::Values(
    Document{"Empty", ""},                      Document{"TrailingComma", "[1,]"},
    Document{"TrailingText", "{} {}"},          Document{"SingleQuotes", "['a']"},
    Document{"RawLineFeedInString", "\"a\nb\""}, Document{"UnknownEscape", "\"\\x41\""},
    Document{"LoneSurrogate", "\"\\uD800\""},   Document{"InvalidUtf8", "\"\xC3\x28\""},
    Document{"OverlongUtf8", "\"\xC0\xAF\""},   Document{"DuplicateKey", "{\"a\":1,\"a\":2}"},
    Document{"LeadingZero", "[01]"},            Document{"BareWord", "[nul]"},
    Document{"UnclosedObject", "{\"a\":1"},     Document{"ShortEscape", "\"\\u12\""}),
    tsctest::RowName);
// clang-format on

TEST(JsonReader, ResolvesEscapesAndKeepsUtf8) {
    const auto document = tsctest::ParseJson(
        " {\"a\": [true, null, -12, false, 1.5e3], \"b\": "
        "\"q\\\"\\\\\\t\\u00e9\\ud83d\\ude00\xC3\xBC\"} ");
    ASSERT_TRUE(document.has_value());
    EXPECT_TRUE((*document)["a"][0].AsBool());
    EXPECT_TRUE((*document)["a"][1].IsNull());
    EXPECT_EQ((*document)["a"][2].AsInt(), -12);
    EXPECT_FALSE((*document)["a"][3].AsBool());
    EXPECT_THROW((*document)["a"][4].AsInt(), std::runtime_error) << "not a whole number";
    EXPECT_EQ((*document)["b"].AsString(), "q\"\\\t\xC3\xA9\xF0\x9F\x98\x80\xC3\xBC");
}

}  // namespace
