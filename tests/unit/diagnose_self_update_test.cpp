// tscdiag's self-update step when the library's self-update test cannot run: faults the tool's
// process cannot meet for real, injected through the library's seams in this process. The result
// says that the test could not run, not that a self-update runs, and names the file or folder.
#include <gtest/gtest.h>

#include "checks.h"
#include "loader/loader_seams.h"
#include "common/platform_seams.h"
#include "common/system_error_text.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/scoped_seam.h"
#include "support/table.h"

namespace {

namespace seams = tsc::seams;

std::uint32_t (*const realStatusQuery)(const std::wstring&) = seams::statusQuery;
constexpr wchar_t kMissingFolder[] = L"C:\\dttsc-no-such-temp";

// The lock file's status query is refused; everything else is asked for real.
std::uint32_t LockFileRefused(const std::wstring& path) {
    return path == tsctest::ScopedLockFile::Path() ? ERROR_ACCESS_DENIED : realStatusQuery(path);
}

HRESULT WINAPI NoKnownFolder(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR* path) {
    *path = nullptr;
    return E_FAIL;
}

struct SelfUpdateFault : tsctest::Row {
    bool lockFileRefused;  // else: no ProgramData, and TMP names a folder that is not there
    std::string operation;
    std::wstring path;
    std::string result;
};

class DiagnoseSelfUpdate : public ::testing::TestWithParam<SelfUpdateFault> {};

TEST_P(DiagnoseSelfUpdate, ResultSaysTheTestCouldNotRun) {
    const SelfUpdateFault& row = GetParam();
    const tsctest::ScopedSeam query(seams::statusQuery,
                                    row.lockFileRefused ? &LockFileRefused : realStatusQuery);
    const tsctest::ScopedSeam folder(seams::knownFolderPath,
                                     row.lockFileRefused ? seams::knownFolderPath : &NoKnownFolder);
    const tsctest::ScopedEnvironmentVariable tmp(L"TMP", std::wstring(kMissingFolder));
    tscdiag::Context context;
    tscdiag::Step step;
    step.number = 4;
    step.title = "Self-update of the installer";
    tscdiag::CheckSelfUpdate(context, step);
    const tscdiag::Outcome outcome = tscdiag::Conclude({step});
    EXPECT_EQ(outcome.exitCode, 4);
    EXPECT_EQ(outcome.result,
              "step 4 (Self-update of the installer) failed: the self-update test "
              "could not run: the library's " +
                  row.result + "; a start loads no SDK meanwhile.");
    EXPECT_EQ(step.facts["running"], nullptr);
    EXPECT_EQ(step.facts["testError"]["operation"], row.operation);
    EXPECT_EQ(step.facts["testError"]["path"], tsctest::Utf8(row.path));
}

const std::wstring kLockFile = tsctest::ScopedLockFile::Path();
const std::wstring kTempFolder = std::wstring(kMissingFolder) + L"\\";

// clang-format off
const SelfUpdateFault kFaults[] = {
    {"LockFileQueryRefused", true, "exists", kLockFile,
     "status query of the lock file \"" + tsctest::Utf8(kLockFile) + "\" failed: " + SystemErrorText(ERROR_ACCESS_DENIED)},
    {"TempFolderMissing", false, "temp_directory_path", kTempFolder,
     "lookup of the temporary files folder \"" + tsctest::Utf8(kTempFolder) + "\" failed: " + SystemErrorText(ERROR_FILE_NOT_FOUND)},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Faults, DiagnoseSelfUpdate, ::testing::ValuesIn(kFaults),
                         tsctest::RowName);

}  // namespace
