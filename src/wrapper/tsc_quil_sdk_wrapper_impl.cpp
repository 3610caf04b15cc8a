#include "wrapper/tsc_quil_sdk_wrapper_impl.h"

#include "wrapper/quil_api_wrapper_impl.h"

std::int32_t TscQuilSdkWrapperImpl::Initialize(const std::string& plc, const std::string& release,
                                               const std::string& language) {
    return QUILAPIWrapperImpl::GetInstance().Initialize(plc, release, language);
}

bool TscQuilSdkWrapperImpl::IsInitialized() {
    return !QUILAPIWrapperImpl::GetInstance().SessionId().empty();
}

std::int32_t TscQuilSdkWrapperImpl::LockDirectory(const std::string& directoryToLock) {
    return QUILAPIWrapperImpl::GetInstance().LockDirectory(directoryToLock);
}

std::int32_t TscQuilSdkWrapperImpl::UnLockDirectory(const std::string& directoryToLock) {
    return QUILAPIWrapperImpl::GetInstance().UnLockDirectory(directoryToLock);
}

std::int32_t TscQuilSdkWrapperImpl::Uninitialize() {
    return QUILAPIWrapperImpl::GetInstance().Uninitialize();
}

TscQuilSdkWrapperInterface* TscQuilSdkWrapperImpl::CreateInstance() {
    return new TscQuilSdkWrapperImpl();
}
