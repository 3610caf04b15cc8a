// Bringing the installer-service SDK library into the process: never during a self-update of
// the installer, and only a file whose signature and publisher are accepted.
#include <windows.h>

#include <string>

#include "common/status.h"
#include "loader/loader_seams.h"
#include "loader/sdk_file_hold.h"
#include "common/system_error_text.h"
#include "location/text_conversion.h"
#include "wrapper/quil_api_wrapper_impl.h"

namespace {

// "error 32: The process cannot access the file because it is being used by another process."
std::wstring ErrorDescription(std::uint32_t code) {
    return L"error " + std::to_wstring(code) + L": " + Utf8ToWide(SystemErrorText(code));
}

}  // namespace

bool QUILAPIWrapperImpl::Load(std::uint32_t* status) {
    *status = tsc::status::kNotLoaded;
    if (sdkModule != nullptr) return true;
    tsc::FileSystemFailure failure;
    const bool loaded = FindAndLoad(status, failure);
    if (!failure) return loaded;
    // A file-system query that failed for a reason other than absence: nothing is loaded, and
    // the log says why.
    WriteLogLine(L"[ERROR] Load: " + Utf8ToWide(failure->operation) + L" failed for path = " +
                 failure->path + L", " + ErrorDescription(failure->code));
    *status = tsc::status::kNotLoaded;
    return false;
}

bool QUILAPIWrapperImpl::FindAndLoad(std::uint32_t* status, tsc::FileSystemFailure& failure) {
    if (IsSelfUpdateRunning(failure)) {
        WriteLogLine(tsc::kSelfUpdateRunningLine);
        *status = tsc::status::kSelfUpdateRunning;
        return false;
    }
    if (failure) return false;
    if (sdkPath.empty()) GetDllPath(failure);
    if (failure) return false;
    if (sdkPath.empty()) {
        WriteLogLine(L"[ERROR] Load: dll path empty!");
        return false;
    }
    WriteLogLine(L"[INFO] Load: QUIL SDK path = " + sdkPath);
    return CheckAndLoad(status);
}

bool QUILAPIWrapperImpl::CheckAndLoad(std::uint32_t* status) {
    // Taken before the first check and kept until LoadLibraryW returns, so that the file that
    // was checked is the file that is loaded.
    const tsc::SdkFileHold hold(sdkPath);
    if (!IsSignatureValid(sdkPath)) {
        *status = tsc::status::kSignatureRejected;
        WriteLogLine(L"[ERROR] IsSignatureValid: Signature invalid at path = " + sdkPath);
        return false;
    }
    if (!hold.held()) {
        WriteLogLine(L"[ERROR] Load: Cannot keep the file unchanged until it is loaded, path = " +
                     sdkPath + L", " + ErrorDescription(hold.error()));
        return false;
    }
    tsc::seams::beforeSdkLoad(sdkPath);
    sdkModule = LoadLibraryW(sdkPath.c_str());
    if (sdkModule == nullptr) {
        WriteLogLine(L"[ERROR] Load: LoadLibraryW failed to load " + sdkPath);
    }
    return sdkModule != nullptr;
}
