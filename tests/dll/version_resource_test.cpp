// The DLL describes itself in its version resource.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/dttscsdk_dll.h"

namespace {

TEST(VersionResource, NamesTheFileTheProductAndTheMaker) {
    const std::wstring path = tsctest::DttscsdkPath();
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_TRUE(
        !block.empty() &&
        GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const auto value = [&](const std::wstring& query) -> const void* {
        void* found = nullptr;
        UINT length = 0;
        return VerQueryValueW(block.data(), query.c_str(), &found, &length) && length ? found
                                                                                      : nullptr;
    };
    for (const auto& [name, expected] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"OriginalFilename", L"dttscsdk.dll"},
             {L"CompanyName", L"Tesmora, Inc"},
             {L"ProductName", L"Corvane Shared Components"},
             {L"FileVersion", L"1.0.0.0"},
             {L"ProductVersion", L"1.0.0"},
             {L"FileDescription", L"*"}}) {  // "*": any text
        const auto* text =
            static_cast<const wchar_t*>(value(L"\\StringFileInfo\\040904B0\\" + name));
        ASSERT_NE(text, nullptr) << "no " << name;
        if (expected != L"*") {
            EXPECT_EQ(std::wstring(text), expected) << name;
        }
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

}  // namespace
