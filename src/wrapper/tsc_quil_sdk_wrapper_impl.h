// Stateless forwarder to the process-wide QUILAPIWrapperImpl.
#pragma once

#include "wrapper/tsc_quil_sdk_wrapper_interface.h"

class TscQuilSdkWrapperImpl : public TscQuilSdkWrapperInterface {
  public:
    std::int32_t Initialize(const std::string& plc, const std::string& release,
                            const std::string& language) override;
    bool IsInitialized() override;
    std::int32_t LockDirectory(const std::string& directoryToLock) override;
    std::int32_t UnLockDirectory(const std::string& directoryToLock) override;
    std::int32_t Uninitialize() override;
    TscQuilSdkWrapperInterface* CreateInstance() override;
    // Ends neither the session nor the SDK library: they belong to the process-wide object.
    ~TscQuilSdkWrapperImpl() override = default;
};
