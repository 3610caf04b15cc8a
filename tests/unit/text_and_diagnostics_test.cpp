// Text conversions, the system's error texts and the diagnostic sink.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "location/diagnostics.h"
#include "location/system_error_text.h"
#include "location/text_conversion.h"
#include "support/diagnostic_recorder.h"

namespace {

struct Conversion {
    const char* name;
    std::string utf8;
    std::wstring wide;
};

class TextConversion : public ::testing::TestWithParam<Conversion> {};

TEST_P(TextConversion, RoundTripsBothWays) {
    EXPECT_EQ(Utf8ToWide(GetParam().utf8), GetParam().wide);
    EXPECT_EQ(WideToUtf8(GetParam().wide), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextConversion,
    ::testing::Values(Conversion{"Empty", "", L""},
                      Conversion{"Ascii", "C:\\Tools", L"C:\\Tools"},
                      Conversion{"NonLatin", "\xC3\x85sa \xE5\x85\xB1\xE6\x9C\x89",
                                 L"\u00C5sa \u5171\u6709"},
                      Conversion{"SurrogatePair", "\xF0\x9F\x93\x81", L"\U0001F4C1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextConversion, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(WideToUtf8(std::wstring(L"a") + wchar_t(0xD800) + L"b"), "a\xEF\xBF\xBD" "b");
}

TEST(TextConversion, StopsAtTheFirstNul) {
    EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), L"ab");
    EXPECT_EQ(WideToUtf8(std::wstring(L"ab\0cd", 5)), "ab");
}

TEST(SystemErrorText, IsTheSystemsTextWithoutTrailingLineEnds) {
    for (DWORD code : {0u, 2u, 5u, 66u}) {
        const std::string text = SystemErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_NE(text, "unknown error") << code;
        EXPECT_NE(text.back(), '\n') << code;
        EXPECT_NE(text.back(), '\r') << code;
        EXPECT_NE(text.back(), ' ') << code;
    }
    EXPECT_EQ(SystemErrorText(0x3FFFFFF1u), "unknown error");
}

TEST(DiagnosticSink, ReceivesLevelFirstThenMessageAsUtf16) {
    tsctest::DiagnosticRecorder recorder;
    EmitDiagnosticUtf8("FATAL", "Failed to open registry key");
    EmitDiagnosticUtf8("ERROR", "Path \xC3\x85 Error Code : x");
    ASSERT_EQ(recorder.messages().size(), 2u);
    EXPECT_EQ(recorder.messages()[0], (tsctest::Diagnostic{"FATAL", "Failed to open registry key"}));
    EXPECT_EQ(recorder.messages()[1], (tsctest::Diagnostic{"ERROR", "Path \xC3\x85 Error Code : x"}));
}

}  // namespace
