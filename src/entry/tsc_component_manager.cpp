#include "entry/tsc_component_manager.h"

#include <utility>

#include "common/status.h"
#include "entry/session_names.h"
#include "entry/start_conditions.h"
#include "location/diagnostics.h"
#include "location/text_conversion.h"

TscComponentManager::TscComponentManager()
    : wrapper(std::make_unique<TscQuilSdkWrapperHolder>(
          TscQuilSdkWrapperHolder{std::make_unique<TscQuilSdkWrapperImpl>()})) {}

TscComponentManager::TscComponentManager(std::wstring releaseName) : TscComponentManager() {
    release = std::move(releaseName);
}

std::int32_t TscComponentManager::Initialize(std::wstring releaseName) {
    if (tsc::IsInitializeBypassed()) {
        EmitDiagnosticUtf8("INFO", "Intialize is bypassed");
        return tsc::status::kBypassed;
    }
    release = std::move(releaseName);
    plc = tsc::kProductLine;
    lastStatus = Wrapper().Initialize(plc, WideToUtf8(release), tsc::kLanguage);
    if (!tsc::status::SessionUsable(lastStatus)) {
        EmitDiagnosticUtf8("WARN", "Failed to intialize QUIL SDK wrapper status code:" +
                                       std::to_string(lastStatus));
    }
    return tsc::status::kSuccess;
}
