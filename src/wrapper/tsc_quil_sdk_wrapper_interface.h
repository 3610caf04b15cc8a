// The only way session control reaches the installer-service SDK.
#pragma once

#include <cstdint>
#include <string>

class TscQuilSdkWrapperInterface {
  public:
    virtual std::int32_t Initialize(const std::string& plc, const std::string& release,
                                    const std::string& language) = 0;
    virtual bool IsInitialized() = 0;
    virtual std::int32_t LockDirectory(const std::string& directoryToLock) = 0;
    virtual std::int32_t UnLockDirectory(const std::string& directoryToLock) = 0;
    virtual std::int32_t Uninitialize() = 0;
    // A new object owned by the caller; every object shares the one process-wide session.
    virtual TscQuilSdkWrapperInterface* CreateInstance() = 0;
    virtual ~TscQuilSdkWrapperInterface() = default;
};
