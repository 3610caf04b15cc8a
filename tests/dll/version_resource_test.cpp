// The DLL describes itself in its version resource (its numeric file version is in the
// diagnosis tool's report).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"

namespace {

std::wstring VersionString(const std::vector<BYTE>& block, const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) return {};
    return static_cast<const wchar_t*>(value);
}

TEST(VersionResource, NamesTheFileTheProductAndTheMaker) {
    const std::wstring path = tsctest::DttscsdkPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"dttscsdk.dll");
    EXPECT_EQ(VersionString(block, L"CompanyName"), L"Tesmora, Inc");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Corvane Shared Components");
    EXPECT_FALSE(VersionString(block, L"FileDescription").empty());
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.0.0.0");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1.0.0");
}

}  // namespace
