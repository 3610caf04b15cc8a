// Runs whole sessions through dttscsdk.dll (beside this program), for the test of several
// processes writing the wrapper log at once. Usage: session_runner <cycles>
// Exit code: the number of cycles whose start did not answer true.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

template <typename Func>
Func Export(HMODULE module, const char* name) {
    return reinterpret_cast<Func>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring BesideThisProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 255;
    const int cycles = std::atoi(argv[1]);
    const HMODULE library = LoadLibraryW(BesideThisProgram(L"dttscsdk.dll").c_str());
    if (library == nullptr) return 254;
    const auto initialize = Export<bool (*)()>(library, "dtutInitializeTSC");
    const auto uninitialize = Export<void (*)()>(library, "dtutUninitializeTSC");
    int failures = 0;
    for (int i = 0; i < cycles; ++i) {
        if (!initialize()) ++failures;
        uninitialize();
    }
    FreeLibrary(library);
    return failures;
}
