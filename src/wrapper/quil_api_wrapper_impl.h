// The process-wide owner of the installer-service SDK conversation: the loaded library, its
// path, the wrapper log's path and the session id. One caller at a time (the host's thread).
//
// The class spans two subsystems; which file holds which operation:
//   wrapper/quil_api_wrapper_impl.cpp  GetInstance, Initialize, Uninitialize, LockDirectory,
//                                      UnLockDirectory, and the SDK export look-up and text
//                                      hand-back they share
//   wrapper/wrapper_log.cpp            StartLogFile, UseLogFile, WriteLogLine, WriteLogLineUtf8,
//                                      LogInfo, LogError
//   loader/load.cpp                    Load, FindAndLoad, CheckAndLoad
//   loader/sdk_location.cpp            GetDllPath, ReadStringFromRegistry
//   loader/self_update.cpp             IsSelfUpdateRunning, SelfUpdateLockPath,
//                                      GetInstallerDataDirectory
//   loader/signature_check.cpp         IsSignatureValid, VerifyCertificate, VerifyPublisher
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/file_system_error.h"

namespace tsc {
class VerifiedChain;

// The load's log line when a running self-update of the installer keeps it from loading the SDK.
inline constexpr wchar_t kSelfUpdateRunningLine[] = L"[INFO] Load: Self-update is running";
}  // namespace tsc

class QUILAPIWrapperImpl {
  public:
    // The one object of the process; its destructor is registered at the first call.
    static QUILAPIWrapperImpl& GetInstance();

    // SDK operations. Status 0 is success; see the status table in quil_api_wrapper_impl.cpp.
    std::int32_t Initialize(const std::string& plc, const std::string& release,
                            const std::string& language);
    std::int32_t Uninitialize();
    std::int32_t LockDirectory(const std::string& directoryToLock);
    std::int32_t UnLockDirectory(const std::string& directoryToLock);

    // Non-empty exactly while a session is open.
    const std::string& SessionId() const noexcept { return sessionId; }

    // The wrapper log. Failures of the log are never reported.
    void StartLogFile();
    // This object writes its log to `path` instead of the user's wrapper log, so that a
    // diagnosis can keep the lines of its checks apart without changing the environment.
    void UseLogFile(std::wstring path);
    void WriteLogLine(std::wstring message);
    void LogInfo(std::string message);
    void LogError(std::string message);

    // Loading the SDK library; answers whether it is loaded, and why not through *status.
    bool Load(std::uint32_t* status);

    // The decisions Load takes, each of which can also be asked on its own. GetDllPath fills
    // SdkPath(). A status query that fails for another reason than absence leaves its error in
    // `failure`, and the answer then counts for nothing. IsSignatureValid hands the chain the
    // trust check verified to *verified when one is given.
    void GetDllPath(tsc::FileSystemFailure& failure);
    const std::wstring& SdkPath() const noexcept { return sdkPath; }
    // *inProgramData, when given, tells whether the lock file's folder is under ProgramData
    // (else it is the temporary files folder).
    static std::wstring SelfUpdateLockPath(tsc::FileSystemFailure& failure,
                                           bool* inProgramData = nullptr);
    static bool IsSelfUpdateRunning(tsc::FileSystemFailure& failure);
    bool IsSignatureValid(const std::wstring& path, tsc::VerifiedChain* verified = nullptr);

    constexpr QUILAPIWrapperImpl() = default;
    QUILAPIWrapperImpl(const QUILAPIWrapperImpl&) = delete;
    QUILAPIWrapperImpl& operator=(const QUILAPIWrapperImpl&) = delete;

  private:
    // SDK location. On success the caller owns the malloc'd *block, which holds *byteCount
    // bytes of value data (not necessarily NUL-terminated).
    int ReadStringFromRegistry(void** block, DWORD* byteCount);

    // The folder of the self-update lock file.
    static std::wstring GetInstallerDataDirectory(tsc::FileSystemFailure& failure,
                                                  bool* inProgramData);

    // Signature and publisher of the SDK file. VerifyCertificate hands the signer's chain, as
    // the trust check verified it, to VerifyPublisher: only a certificate of that chain may
    // name the publisher.
    bool VerifyCertificate(const std::wstring& path, tsc::VerifiedChain* chain);
    bool VerifyPublisher(const std::wstring& path, const std::wstring& publisher,
                         const tsc::VerifiedChain& chain);

    // The steps of Load for a library not yet loaded. A failed status query of FindAndLoad
    // (in `failure`) becomes status 3; CheckAndLoad checks sdkPath and loads it while holding
    // the file unchanged.
    bool FindAndLoad(std::uint32_t* status, tsc::FileSystemFailure& failure);
    bool CheckAndLoad(std::uint32_t* status);

    // Appends one line of UTF-8 text (the time stamp is added here) to the log file.
    void WriteLogLineUtf8(const std::string& message);
    FARPROC FindExport(const char* name) const;
    // Gives the session id text that the SDK's Initialize handed out back through ReleaseMemory.
    void ReleaseSdkText(char** text) noexcept;
    // LockDirectory and UnLockDirectory differ only in the export and the names they log.
    std::int32_t CallDirectoryExport(const std::string& name, const std::string& directoryToLock);

    // Plain handle, not an owner: unloading this library leaves the SDK library loaded; only
    // Uninitialize frees it.
    HMODULE sdkModule = nullptr;
    std::wstring sdkPath;
    std::wstring logFilePath;
    std::wstring chosenLogFile;  // empty: the user's wrapper log
    std::string sessionId;
};
