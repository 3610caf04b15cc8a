// The PATH update after a session start: the folder goes in front of PATH once.
#include <gtest/gtest.h>

#include <cwctype>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/machine.h"
#include "support/scoped_environment.h"
#include "support/sdk_journal.h"

namespace {

using tsctest::GetEnv;
using tsctest::ScopedEnvironmentVariable;

constexpr wchar_t kOldPath[] = L"C:\\windows\\system32;C:\\windows";

class PathUpdate : public ::testing::Test {
  protected:
    ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    ScopedEnvironmentVariable override_{L"TSC_PATH_2026", std::nullopt};
    ScopedEnvironmentVariable path_{L"PATH", std::wstring(kOldPath)};
    tsctest::HealthyMachine machine_;
};

TEST_F(PathUpdate, PrependsTheFolderOnce) {
    tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());

    EXPECT_TRUE(dll.UpdatePath());
    const std::wstring expected = machine_.Folder() + L";" + kOldPath;
    EXPECT_EQ(GetEnv(L"PATH"), expected);
    EXPECT_TRUE(dll.UpdatePath());
    EXPECT_EQ(GetEnv(L"PATH"), expected);
    dll.Uninitialize();
}

// PATH as found before the update, around the folder: containment is a case-sensitive
// substring test, and an empty or missing PATH is never written.
enum class Before { FolderAsPrefixOfALongerName, FolderInOtherLetterCase, Empty, Unset };

struct ExistingPathCase {
    const char* name;
    Before before;
    bool updated;
    bool prepended;
};

void PrintTo(const ExistingPathCase& row, std::ostream* out) { *out << row.name; }

std::optional<std::wstring> PathBefore(Before kind, std::wstring folder) {
    switch (kind) {
        case Before::FolderAsPrefixOfALongerName:
            return L"C:\\windows;" + folder + L"2\\bin";
        case Before::FolderInOtherLetterCase:
            for (wchar_t& c : folder) c = static_cast<wchar_t>(towupper(c));
            return L"C:\\windows;" + folder;
        case Before::Empty:
            return L"";
        case Before::Unset:
            break;
    }
    return std::nullopt;
}

class ExistingPath : public PathUpdate, public ::testing::WithParamInterface<ExistingPathCase> {};

// PATH is set after the start: one naming the shared components would refuse the start.
TEST_P(ExistingPath, DecidesWhetherTheFolderIsPrepended) {
    tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    const std::optional<std::wstring> before = PathBefore(GetParam().before, machine_.Folder());
    tsctest::SetEnv(L"PATH", before);

    EXPECT_EQ(dll.UpdatePath(), GetParam().updated);
    const std::optional<std::wstring> after = GetEnv(L"PATH");
    dll.Uninitialize();
    if (GetParam().prepended) {
        EXPECT_EQ(after, machine_.Folder() + L";" + *before);
    } else {
        EXPECT_EQ(after, before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExistingPath,
    ::testing::Values(ExistingPathCase{"FolderAsPrefixOfALongerName",
                                       Before::FolderAsPrefixOfALongerName, true, false},
                      ExistingPathCase{"FolderInOtherLetterCase", Before::FolderInOtherLetterCase,
                                       true, true},
                      ExistingPathCase{"Empty", Before::Empty, false, false},
                      ExistingPathCase{"Unset", Before::Unset, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// One trailing separator is dropped from the folder, no more.
struct SeparatorCase {
    const char* name;
    const wchar_t* folder;
    const wchar_t* written;
};

void PrintTo(const SeparatorCase& row, std::ostream* out) { *out << row.name; }

class TrailingSeparator : public PathUpdate, public ::testing::WithParamInterface<SeparatorCase> {};

TEST_P(TrailingSeparator, OnlyOneIsRemoved) {
    ScopedEnvironmentVariable variable(L"TSC_PATH_2026", std::wstring(GetParam().folder));
    machine_.ReleaseKey().SetDword(L"EnablePathOverride", 1);
    tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());

    EXPECT_TRUE(dll.UpdatePath());
    EXPECT_EQ(GetEnv(L"PATH"), std::wstring(GetParam().written) + L";" + kOldPath);
    dll.Uninitialize();
}

INSTANTIATE_TEST_SUITE_P(Folders, TrailingSeparator,
                         ::testing::Values(SeparatorCase{"One", L"E:\\dev\\tsc\\", L"E:\\dev\\tsc"},
                                           SeparatorCase{"Two", L"E:\\dev\\tsc\\\\",
                                                         L"E:\\dev\\tsc\\"}),
                         [](const auto& info) { return std::string(info.param.name); });

// After an update, PATH names the shared components: a new start in the same process is
// refused before any session attempt.
TEST_F(PathUpdate, NewStartAfterAnUpdateIsRefused) {
    tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    ASSERT_TRUE(dll.UpdatePath());
    dll.Uninitialize();
    tsctest::SdkJournal journal;

    EXPECT_FALSE(dll.Initialize());
    EXPECT_TRUE(journal.Calls().empty());
    EXPECT_FALSE(dll.UpdatePath());
}

}  // namespace
