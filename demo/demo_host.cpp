// Stands in for the host application: loads dttscsdk.dll by its full path, runs one session
// through the three exports in the host's order and shows what changes on the machine.
//
//   demo_host.exe [--dll <path>] [--during-self-update]
//
// With --during-self-update the session runs while a stand-in installer process is named in the
// installer's lock file, as during a self-update of the installer.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "common/program_path.h"
#include "console.h"
#include "folder_probe.h"
#include "self_update_standin.h"
#include "harness/program_run.h"
#include "wrapper_log_tail.h"

namespace {

using InitializeTscFunc = bool (*)();
using UpdatePathForTscFunc = bool (*)();
using UninitializeTscFunc = void (*)();

struct Options {
    std::wstring dllPath;
    bool duringSelfUpdate = false;
};

struct Exports {
    InitializeTscFunc initialize = nullptr;
    UpdatePathForTscFunc updatePath = nullptr;
    UninitializeTscFunc uninitialize = nullptr;
};

std::vector<std::wstring> Arguments() {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; list != nullptr && i < count; ++i) arguments.emplace_back(list[i]);
    LocalFree(list);
    return arguments;
}

std::wstring DefaultDllPath() {
    const std::wstring self = tsc::ProgramPath();
    return self.substr(0, self.find_last_of(L'\\') + 1) + L"dttscsdk.dll";
}

std::optional<Options> ParseOptions(const std::vector<std::wstring>& arguments) {
    Options options{DefaultDllPath(), false};
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == L"--during-self-update") {
            options.duringSelfUpdate = true;
        } else if (arguments[i] == L"--dll" && i + 1 < arguments.size()) {
            options.dllPath = arguments[++i];
        } else {
            return std::nullopt;
        }
    }
    return options;
}

std::wstring ReadPath() {
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"PATH", value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

template <typename Func>
Func Find(HMODULE module, const char* name) {
    return reinterpret_cast<Func>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::optional<Exports> FindExports(HMODULE module) {
    Exports exports{Find<InitializeTscFunc>(module, "dtutInitializeTSC"),
                    Find<UpdatePathForTscFunc>(module, "dtutUpdatePathForTSC"),
                    Find<UninitializeTscFunc>(module, "dtutUninitializeTSC")};
    if (!exports.initialize || !exports.updatePath || !exports.uninitialize) return std::nullopt;
    return exports;
}

const char* Bool(bool value) { return value ? "true" : "false"; }

// The update puts the folder in front of PATH: a new first entry is the folder.
std::wstring NewHeadOfPath(const std::wstring& before, const std::wstring& after) {
    if (after == before || after.size() <= before.size()) return {};
    return after.substr(0, after.size() - before.size() - 1);
}

void PrintLogLines(const demo::WrapperLogTail& log) {
    demo::PrintLine(L"wrapper log " + log.Path() + L", lines added by this run:");
    for (const std::string& line : log.NewLines()) demo::PrintLine("  " + line);
}

// Runs the session; answers whether everything behaved as this run expects.
bool RunSession(const Exports& exports, bool duringSelfUpdate) {
    const std::wstring pathBefore = ReadPath();
    demo::PrintLine(L"PATH before:  " + pathBefore);
    const bool initialized = exports.initialize();
    demo::PrintLine(std::string("dtutInitializeTSC()    -> ") + Bool(initialized));
    const bool updated = exports.updatePath();
    demo::PrintLine(std::string("dtutUpdatePathForTSC() -> ") + Bool(updated));
    const std::wstring pathAfter = ReadPath();
    demo::PrintLine(L"PATH after:   " + pathAfter);
    const std::wstring folder = NewHeadOfPath(pathBefore, pathAfter);
    // A session locks the folder; during a self-update no session opens, so nothing is locked.
    const bool lockExpected = !duringSelfUpdate;
    bool asExpected = initialized && updated && !folder.empty();
    if (!folder.empty()) {
        demo::PrintLine(L"shared-components folder (new head of PATH): " + folder);
        const demo::ProbeResult during = demo::ProbeFolderFromAnotherProcess(folder);
        demo::PrintLine("during the session: " + during.description);
        asExpected = asExpected && during.renamed != lockExpected;
    }
    exports.uninitialize();
    demo::PrintLine("dtutUninitializeTSC()  done");
    if (!folder.empty()) {
        const demo::ProbeResult after = demo::ProbeFolderFromAnotherProcess(folder);
        demo::PrintLine("after the session:  " + after.description);
        asExpected = asExpected && after.renamed;
    }
    if (duringSelfUpdate && initialized) {
        demo::PrintLine(
            "note: dtutInitializeTSC answered true although no QUIL session could open while the "
            "installer updates itself. Its answer says only that the shared-components folder "
            "resolved; without a session the folder is not locked (see the log below).");
    }
    return asExpected;
}

int RunHost(const Options& options) {
    const std::optional<demo::SelfUpdateStandIn> selfUpdate =
        options.duringSelfUpdate ? demo::SelfUpdateStandIn::Start() : std::nullopt;
    if (options.duringSelfUpdate) {
        if (!selfUpdate) {
            demo::PrintLine("could not start the self-update stand-in");
            return 1;
        }
        demo::PrintLine(L"self-update in progress: process " +
                        std::to_wstring(selfUpdate->ProcessId()) + L" is named in " +
                        selfUpdate->LockFile());
    }
    const demo::WrapperLogTail log;
    demo::PrintLine(L"loading " + options.dllPath);
    const tsctest::UniqueModule library(LoadLibraryW(options.dllPath.c_str()));
    if (library.get() == nullptr) {
        demo::PrintLine("LoadLibraryW failed with error " + std::to_string(GetLastError()));
        return 1;
    }
    const std::optional<Exports> exports = FindExports(library.get());
    if (!exports) {
        demo::PrintLine("the library lacks one of the three exports");
        return 1;
    }
    const bool asExpected = RunSession(*exports, options.duringSelfUpdate);
    PrintLogLines(log);
    demo::PrintLine(asExpected ? "the session behaved as expected"
                               : "UNEXPECTED: see the lines above");
    return asExpected ? 0 : 2;
}

}  // namespace

int main() {
    const std::vector<std::wstring> arguments = Arguments();
    // The two helper roles this program plays as a child of itself.
    if (arguments.size() == 2 && arguments[0] == L"--try-rename") {
        return static_cast<int>(demo::TryRenameFolder(arguments[1]));
    }
    if (arguments.size() == 1 && arguments[0] == L"--installer-stand-in") {
        return demo::RunInstallerStandIn();
    }
    const std::optional<Options> options = ParseOptions(arguments);
    if (!options) {
        demo::PrintLine("usage: demo_host.exe [--dll <path>] [--during-self-update]");
        return 1;
    }
    return RunHost(*options);
}
