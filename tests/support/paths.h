// Where the tests find the built programs, the fixtures and the wrapper log.
#pragma once

#include <string>

namespace tsctest {

// The folder of the running test program: build/.../bin.
std::wstring BinDir();
// A signed (or deliberately broken) stand-in SDK under bin\fixtures.
std::wstring FixturePath(const std::wstring& name);
// %LOCALAPPDATA%\Tesmora\QUIL, the wrapper log's folder.
std::wstring WrapperLogFolder();
std::wstring WrapperLogPath();
// A fresh folder for this test, removed with everything in it when the process ends.
std::wstring TempRoot();
// Removes a folder tree; true when nothing is left.
bool RemoveTree(const std::wstring& path);

}  // namespace tsctest
