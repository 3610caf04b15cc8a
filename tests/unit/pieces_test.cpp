// Pieces that the exports cannot reach in every shape: the text conversions, the system's error
// texts, registry value text, path joining and the bounded read of the lock file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "loader/lock_file_text.h"
#include "loader/path_join.h"
#include "location/registry_text.h"
#include "location/system_error_text.h"
#include "location/text_conversion.h"
#include "support/paths.h"
#include "support/scoped_files.h"
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

TEST(TextConversion, LoneSurrogateBecomesAReplacementCharacterAndNulEndsTheText) {
    EXPECT_EQ(WideToUtf8(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(WideToUtf8(std::wstring(L"ab\0cd", 5)), "ab");
}

// The system's text without its trailing line end, or "unknown error".
TEST(SystemErrorText, IsTheSystemsTextWithoutTrailingLineEnds) {
    EXPECT_EQ(SystemErrorText(0), "Success.");
    EXPECT_EQ(SystemErrorText(5), "Access denied.");
    EXPECT_EQ(SystemErrorText(0x3FFFFFF1u), "unknown error");
}

// A registry value's text ends at its first NUL or its last whole unit, whichever comes first;
// the sentinel after the data shows whether anything past it was read.
TEST(RegistryValueText, EndsAtTheFirstNulOrTheEndOfTheData) {
    const std::vector<std::uint8_t> block = {'a', 0, 'b', 0, 'c', 'Z', 0, 0, 0};
    EXPECT_EQ(tsc::RegistryText(block.data(), 4), L"ab");
    EXPECT_EQ(tsc::RegistryText(block.data(), 5), L"ab");
    EXPECT_EQ(tsc::RegistryText(block.data() + 6, 2), L"");
}

using Join = std::pair<std::wstring, std::wstring>;
class PathJoin : public ::testing::TestWithParam<Join> {};

TEST_P(PathJoin, SeparatorOnlyWhereNeeded) {
    EXPECT_EQ(tsc::JoinPath(GetParam().first, L"x.lock"), GetParam().second);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lefts, PathJoin, ::testing::Values(
    Join{L"C:\\ProgramData", L"C:\\ProgramData\\x.lock"}, Join{L"C:\\Temp\\", L"C:\\Temp\\x.lock"},
    Join{L"C:\\Temp/", L"C:\\Temp/x.lock"}, Join{L"", L"x.lock"}, Join{L"D:", L"D:x.lock"},
    Join{L"1:", L"1:\\x.lock"}, Join{L"\\\\host\\share", L"\\\\host\\share\\x.lock"}));
// clang-format on

// At most 11 bytes are read: more can never make the content equal a process id.
TEST(LockFileRead, StopsAfterElevenBytes) {
    const tsctest::ScopedFile file(tsctest::TempRoot() + L"\\lock.txt", "123456789012345");
    EXPECT_EQ(tsc::ReadLockFileText(file.path()), "12345678901");
}

}  // namespace
