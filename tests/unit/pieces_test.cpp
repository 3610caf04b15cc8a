// Pieces that the exports cannot reach in every shape: the text conversions, the system's error
// texts, registry value text, path joining and the bounded read of the lock file.
#include <gtest/gtest.h>

#include "common/registry_text.h"
#include "loader/lock_file_text.h"
#include "loader/path_join.h"
#include "common/system_error_text.h"
#include "location/text_conversion.h"
#include "support/scoped_files.h"

namespace {

// Malformed input becomes replacement characters; the text ends at the first NUL.
TEST(TextConversion, ReplacesMalformedInputAndEndsAtTheFirstNul) {
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x93\x81"), L"\U0001F4C1");
    EXPECT_EQ(WideToUtf8(L"\U0001F4C1"), "\xF0\x9F\x93\x81");
    EXPECT_EQ(Utf8ToWide("a\xFF"
                         "b"),
              L"a\uFFFDb");
    EXPECT_EQ(WideToUtf8(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), L"ab");
    EXPECT_EQ(WideToUtf8(std::wstring(L"ab\0cd", 5)), "ab");
}

// A code the system has no text for (the system's own texts, without their line end, are in the
// diagnosis tool's results).
TEST(SystemErrorText, UnknownCodeHasAFixedText) {
    EXPECT_EQ(SystemErrorText(0x3FFFFFF1u), "unknown error");
}

// A value's last odd byte is no part of its text; the byte after the data shows whether it was
// read. (A NUL ends the text: the DLL's session and load tables show it.)
TEST(RegistryValueText, LeavesOutAnOddLastByte) {
    const std::vector<std::uint8_t> block = {'a', 0, 'b', 0, 'c', 'Z'};
    EXPECT_EQ(tsc::RegistryText(block.data(), 5), L"ab");
}

// A separator only where needed: not after a drive letter, a separator or nothing.
TEST(PathJoin, SeparatorOnlyWhereNeeded) {
    // clang-format off
    const std::pair<std::wstring, std::wstring> joins[] = {
        {L"C:\\ProgramData", L"C:\\ProgramData\\x.lock"}, {L"C:\\Temp\\", L"C:\\Temp\\x.lock"}, {L"C:\\Temp/", L"C:\\Temp/x.lock"},
        {L"", L"x.lock"}, {L"D:", L"D:x.lock"}, {L"1:", L"1:\\x.lock"}, {L"\\\\host\\share", L"\\\\host\\share\\x.lock"}};
    // clang-format on
    for (const auto& [left, joined] : joins) EXPECT_EQ(tsc::JoinPath(left, L"x.lock"), joined);
}

// At most 11 bytes are read: more can never make the content equal a process id.
TEST(LockFileRead, StopsAfterElevenBytes) {
    const tsctest::ScopedFile file(tsctest::TempRoot() + L"\\lock.txt", "123456789012345");
    EXPECT_EQ(tsc::ReadLockFileText(file.path()), "12345678901");
}

}  // namespace
