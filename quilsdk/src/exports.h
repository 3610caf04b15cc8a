// The entry points of the installer-service client library, as the stand-in exports them (by
// plain name, through a module-definition file).
#pragma once

#include <cstdint>

extern "C" {
std::int32_t Initialize(const char* plc, const char* release, const char* language,
                        char** sessionId);
std::int32_t ReleaseMemory(const char* sessionId, char** sessionIdPtr);
std::int32_t LockDirectory(const char* sessionId, const char* directory);
std::int32_t UnLockDirectory(const char* sessionId, const char* directory);
std::int32_t Uninitialize(const char* sessionId);
}
