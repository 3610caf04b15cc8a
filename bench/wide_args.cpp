#include "wide_args.h"

#include <windows.h>
#include <shellapi.h>

#include "common/win_handles.h"

namespace bench {

std::vector<std::wstring> WideArguments() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    // The array and its strings are one block, released with LocalFree.
    const tsc::UniqueLocalMem block(args);
    std::vector<std::wstring> result;
    for (int i = 0; args != nullptr && i < count; ++i) result.emplace_back(args[i]);
    return result;
}

}  // namespace bench
