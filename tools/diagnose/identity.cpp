// What a report names at its start: the tool's version, and the file version of the
// dttscsdk.dll in the tool's folder, the one the application there loads. The tool's checks and
// its session run the library code built into the tool, so a support ticket needs both.
#include <windows.h>

#include <string>
#include <filesystem>
#include <vector>

#include "common/existence.h"
#include "common/program_path.h"
#include "location/text_conversion.h"
#include "report.h"

namespace tscdiag {
namespace {

constexpr wchar_t kLibraryFile[] = L"dttscsdk.dll";

std::wstring OwnFolder() {
    return std::filesystem::path(tsc::ProgramPath()).parent_path().wstring();
}

// "1.0.0.0" from the fixed part of the version resource; empty without one.
std::string FileVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    std::string text;
    for (const DWORD half : {fixed->dwFileVersionMS, fixed->dwFileVersionLS}) {
        for (const DWORD part : {HIWORD(half), LOWORD(half)}) {
            text += (text.empty() ? "" : ".") + std::to_string(part);
        }
    }
    return text;
}

}  // namespace

Identity IdentifyTool() {
    const std::wstring library = OwnFolder() + L"\\" + kLibraryFile;
    const bool found = tsc::QueryExistence(library).exists;
    return Identity{TSCDIAG_VERSION, WideToUtf8(library), found,
                    found ? FileVersion(library) : std::string()};
}

}  // namespace tscdiag
