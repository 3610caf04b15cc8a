// Text conversions and the system's error texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "location/system_error_text.h"
#include "location/text_conversion.h"
#include "support/table.h"

namespace {

struct Conversion : tsctest::Row {
    std::string utf8;
    std::wstring wide;
    bool roundTrip;  // the wide text converts back to the same UTF-8
};

class TextConversion : public ::testing::TestWithParam<Conversion> {};

// Malformed input becomes replacement characters; the text ends at the first NUL.
TEST_P(TextConversion, Converts) {
    EXPECT_EQ(Utf8ToWide(GetParam().utf8), GetParam().wide);
    if (GetParam().roundTrip) {
        EXPECT_EQ(WideToUtf8(GetParam().wide), GetParam().utf8);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, TextConversion, ::testing::Values(
    Conversion{"Empty",         "",                                    L"",                     true},
    Conversion{"NonLatin",      "\xC3\x85sa \xE5\x85\xB1\xE6\x9C\x89", L"\u00C5sa \u5171\u6709", true},
    Conversion{"SurrogatePair", "\xF0\x9F\x93\x81",                    L"\U0001F4C1",           true},
    Conversion{"InvalidByte",   "a\xFF" "b",                           L"a\uFFFDb",             false},
    Conversion{"StopsAtNul",    std::string("ab\0cd", 5),              L"ab",                   false}),
    tsctest::RowName);
// clang-format on

TEST(TextConversion, LoneSurrogateBecomesAReplacementCharacter) {
    EXPECT_EQ(WideToUtf8(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(WideToUtf8(std::wstring(L"ab\0cd", 5)), "ab");
}

TEST(SystemErrorText, IsTheSystemsTextWithoutTrailingLineEnds) {
    for (DWORD code : {0u, 2u, 5u, 66u}) {
        const std::string text = SystemErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_NE(text, "unknown error") << code;
        EXPECT_EQ(text.find_last_not_of("\r\n "), text.size() - 1) << code;
    }
    EXPECT_EQ(SystemErrorText(0x3FFFFFF1u), "unknown error");
}

}  // namespace
