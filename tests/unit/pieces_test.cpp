// Internal pieces of the loader that the exports cannot reach in every shape: path joining, the
// bounded read of the lock file, and registry value text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "loader/lock_file_text.h"
#include "loader/path_join.h"
#include "location/registry_text.h"
#include "support/paths.h"
#include "support/scoped_files.h"
#include "support/table.h"

namespace {

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

// At most 11 bytes are read: more can never make the content equal a process id. A folder or
// a missing file reads as empty.
TEST(LockFileRead, StopsAfterElevenBytes) {
    const tsctest::ScopedFile file(tsctest::TempRoot() + L"\\lock.txt",
                                   "12345678901234567890" + std::string(1 << 20, '7'));
    EXPECT_EQ(tsc::ReadLockFileText(file.path()), "12345678901");
    EXPECT_EQ(tsc::ReadLockFileText(tsctest::TempRoot()), "");
    EXPECT_EQ(tsc::ReadLockFileText(tsctest::TempRoot() + L"\\none.lock"), "");
}

struct RegistryTextCase : tsctest::Row {
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, RegistryValueText, ::testing::Values(
    RegistryTextCase{"Terminated",      {'a', 0, 'b', 0, 0, 0}, L"ab"},
    RegistryTextCase{"Unterminated",    {'a', 0, 'b', 0},       L"ab"},
    RegistryTextCase{"OddByteCount",    {'a', 0, 'b', 0, 'c'},  L"ab"},
    RegistryTextCase{"DataAfterTheNul", {'a', 0, 0, 0, 'b', 0}, L"a"},
    RegistryTextCase{"Empty",           {},                     L""},
    RegistryTextCase{"SingleByte",      {'a'},                  L""}),
    tsctest::RowName);
// clang-format on

}  // namespace
