// Internal pieces of the loader that the exports cannot reach in every shape: path joining,
// the text-mode reading and the bounded read of the lock file, and registry value text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loader/lock_file_text.h"
#include "loader/path_join.h"
#include "loader/registry_text.h"
#include "support/paths.h"
#include "support/scoped_files.h"

namespace {

struct JoinCase {
    const wchar_t* left;
    const wchar_t* expected;
};

class PathJoin : public ::testing::TestWithParam<JoinCase> {};

TEST_P(PathJoin, SeparatorOnlyWhereNeeded) {
    EXPECT_EQ(tsc::JoinPath(GetParam().left, L"x.lock"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lefts, PathJoin,
    ::testing::Values(JoinCase{L"C:\\ProgramData", L"C:\\ProgramData\\x.lock"},
                      JoinCase{L"C:\\Temp\\", L"C:\\Temp\\x.lock"},
                      JoinCase{L"C:\\Temp/", L"C:\\Temp/x.lock"}, JoinCase{L"", L"x.lock"},
                      JoinCase{L"D:", L"D:x.lock"}, JoinCase{L"1:", L"1:\\x.lock"},
                      JoinCase{L"\\\\host\\share", L"\\\\host\\share\\x.lock"}));

struct TextModeCase {
    std::string raw;
    std::string text;
};

class TextMode : public ::testing::TestWithParam<TextModeCase> {};

TEST_P(TextMode, LineEndsBecomeLineFeedsAndCtrlZEndsTheText) {
    EXPECT_EQ(tsc::TextModeContent(GetParam().raw), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Raw, TextMode,
                         ::testing::Values(TextModeCase{"1234", "1234"},
                                           TextModeCase{"1234\r\n", "1234\n"},
                                           TextModeCase{"12\r34", "12\r34"},
                                           TextModeCase{"1234\r", "1234\r"},
                                           TextModeCase{"\r\r\n", "\r\n"},
                                           TextModeCase{"1234\x1A"
                                                        "5678",
                                                        "1234"},
                                           TextModeCase{"\x1A"
                                                        "1234",
                                                        ""},
                                           TextModeCase{std::string("12\0"
                                                                    "34",
                                                                    5),
                                                        std::string("12\0"
                                                                    "34",
                                                                    5)}));

// At most 11 bytes are read: more can never make the content equal a process id.
TEST(LockFileRead, StopsAfterElevenBytes) {
    const tsctest::ScopedFile file(tsctest::TempRoot() + L"\\lock.txt",
                                   "12345678901234567890" + std::string(1 << 20, '7'));
    EXPECT_EQ(tsc::ReadLockFileText(file.path()), "12345678901");
}

TEST(LockFileRead, FolderOrMissingFileReadsAsEmpty) {
    EXPECT_EQ(tsc::ReadLockFileText(tsctest::TempRoot()), "");
    EXPECT_EQ(tsc::ReadLockFileText(tsctest::TempRoot() + L"\\none.lock"), "");
}

struct RegistryTextCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::wstring text;
};

class RegistryValueText : public ::testing::TestWithParam<RegistryTextCase> {};

TEST_P(RegistryValueText, EndsAtTheFirstNulOrTheEndOfTheData) {
    // A sentinel after the data shows whether anything past it was read.
    std::vector<std::uint8_t> block = GetParam().bytes;
    block.insert(block.end(), {'Z', 0, 'Z', 0});
    EXPECT_EQ(tsc::RegistryText(block.data(), GetParam().bytes.size()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryValueText,
    ::testing::Values(RegistryTextCase{"Terminated", {'a', 0, 'b', 0, 0, 0}, L"ab"},
                      RegistryTextCase{"Unterminated", {'a', 0, 'b', 0}, L"ab"},
                      RegistryTextCase{"OddByteCount", {'a', 0, 'b', 0, 'c'}, L"ab"},
                      RegistryTextCase{"DataAfterTheNul", {'a', 0, 0, 0, 'b', 0}, L"a"},
                      RegistryTextCase{"Empty", {}, L""},
                      RegistryTextCase{"SingleByte", {'a'}, L""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
