// Many sessions in one process leave no handles and no heap memory behind, on the success path
// and on each refusal, whether the host keeps the library loaded or loads it once per session.
//
// Each load of the library or of the stand-in SDK may keep what the platform's loader keeps for
// a DLL with nothing in it (bench_empty.dll, loaded as often in the same process), no more. Both
// link the C++ runtime statically; one that kept the runtime's exception pool at every unload
// would keep about 73 KiB per load more.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "support/dttscsdk_dll.h"
#include "support/handle_count.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/scoped_registry.h"
#include "support/table.h"

namespace {

using tsctest::DttscsdkDll;

// The first cycles load trust providers, certificate stores and registry caches for good;
// counting starts after them.
constexpr int kWarmUpCycles = 10;
constexpr int kCycles = 150;
// The tolerances leave room for platform structures that grow in steps of a few KiB and for one
// lazily started platform worker, and still catch a leak of one handle, or of one block of 64
// bytes, per cycle of a window.
constexpr std::int64_t kToleratedHandles = 2;
constexpr std::int64_t kToleratedHeapBytes = 64 * (kCycles / 2);

struct Growth {
    std::int64_t handles = 0;
    std::int64_t heapBytes = 0;
};

Growth Now() {
    const std::optional<std::size_t> handles = tsctest::ProcessHandleCount();
    const std::optional<std::uint64_t> heap = tsctest::ProcessHeapBytesInUse();
    EXPECT_TRUE(handles.has_value()) << "the process's handles cannot be counted";
    EXPECT_TRUE(heap.has_value()) << "the process's heaps cannot be walked";
    return {handles ? static_cast<std::int64_t>(*handles) : 0,
            heap ? static_cast<std::int64_t>(*heap) : 0};
}

Growth Difference(const Growth& later, const Growth& earlier) {
    return {later.handles - earlier.handles, later.heapBytes - earlier.heapBytes};
}

// What kCycles cycles that follow kWarmUpCycles untimed ones leave behind. The cycles are
// counted as two windows and the smaller growth of each kind is kept: a leak grows in both, while
// something the platform sets up once and for good (a worker thread started late on a machine
// that is still busy starting its services) shows in one window only.
Growth GrowthOver(const std::function<void()>& cycle) {
    for (int i = 0; i < kWarmUpCycles; ++i) cycle();
    const Growth start = Now();
    for (int i = 0; i < kCycles / 2; ++i) cycle();
    const Growth middle = Now();
    for (int i = 0; i < kCycles / 2; ++i) cycle();
    const Growth first = Difference(middle, start);
    const Growth second = Difference(Now(), middle);
    return {std::min(first.handles, second.handles), std::min(first.heapBytes, second.heapBytes)};
}

using ModuleOwner = std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)>;

void EmptyDllCycle() {
    const ModuleOwner dll(LoadLibraryW((tsctest::BinDir() + L"\\bench_empty.dll").c_str()),
                          &FreeLibrary);
    EXPECT_NE(dll, nullptr);
}

class Leaks : public ::testing::Test {
  protected:
    // Cycles that load DLLs (the library, the SDK) this many times each may keep what as many
    // loads of the empty DLL keep, and the tolerance.
    static void ExpectNoMoreThanEmptyLoads(const Growth& library, int loadsPerCycle) {
        Growth empty = loadsPerCycle > 0 ? GrowthOver(EmptyDllCycle) : Growth{};
        empty = {std::max<std::int64_t>(empty.handles, 0) * loadsPerCycle,
                 std::max<std::int64_t>(empty.heapBytes, 0) * loadsPerCycle};
        EXPECT_LE(library.handles, empty.handles + kToleratedHandles) << "handles";
        EXPECT_LE(library.heapBytes, empty.heapBytes + kToleratedHeapBytes) << "heap bytes";
    }

    // Start, update PATH, end; PATH put back. The answers are what each case expects.
    void SessionCycle(const DttscsdkDll& dll, bool started, bool sdkLoaded) {
        tsctest::SetEnv(L"PATH", path_);
        EXPECT_EQ(dll.Initialize(), started);
        EXPECT_EQ(tsctest::IsModuleLoaded(machine_.SdkPath()), sdkLoaded);
        EXPECT_EQ(dll.UpdatePath(), started);
        dll.Uninitialize();
        EXPECT_FALSE(tsctest::IsModuleLoaded(machine_.SdkPath()));
        tsctest::SetEnv(L"PATH", path_);
    }

    tsctest::ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    tsctest::ScopedEnvironmentVariable journal_{L"QUILSDK_STANDIN_JOURNAL", std::nullopt};
    tsctest::ScopedEnvironmentVariable pathVariable_{L"PATH", tsctest::GetEnv(L"PATH")};
    std::wstring path_ = tsctest::GetEnv(L"PATH").value_or(L"C:\\windows");
    tsctest::HealthyMachine machine_;
};

TEST_F(Leaks, SessionsInOneLoadKeepNothing) {
    const DttscsdkDll dll;
    ExpectNoMoreThanEmptyLoads(GrowthOver([&] { SessionCycle(dll, true, true); }), 1);
}

// A host that loads the library for each session, or only loads and unloads it, and keeps its
// own platform library loaded throughout, as a host does.
TEST_F(Leaks, LoadingTheLibraryPerSessionKeepsNothing) {
    const ModuleOwner platformLibrary(LoadLibraryW((tsctest::BinDir() + L"\\DtPal.dll").c_str()),
                                      &FreeLibrary);
    ASSERT_NE(platformLibrary, nullptr);
    ExpectNoMoreThanEmptyLoads(GrowthOver([] { EXPECT_TRUE(DttscsdkDll().Unload()); }), 1);
    ExpectNoMoreThanEmptyLoads(GrowthOver([&] {
                                   DttscsdkDll dll;
                                   EXPECT_TRUE(dll.Initialize());
                                   dll.Uninitialize();
                                   EXPECT_TRUE(dll.Unload());
                               }),
                               2);
}

struct RefusalCase : tsctest::Row {
    // Puts the refusal in place on the healthy machine; what it returns is undone at scope end.
    std::function<std::shared_ptr<void>(tsctest::HealthyMachine&)> arrange;
    bool started;    // what dtutInitializeTSC answers
    bool sdkLoaded;  // whether the SDK is loaded while the session lasts
};

class Refusals : public Leaks, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, KeepNothing) {
    const std::shared_ptr<void> refusal = GetParam().arrange(machine_);
    const DttscsdkDll dll;
    ExpectNoMoreThanEmptyLoads(
        GrowthOver([&] { SessionCycle(dll, GetParam().started, GetParam().sdkLoaded); }),
        GetParam().sdkLoaded ? 1 : 0);
}

std::shared_ptr<void> UnsignedSdk(tsctest::HealthyMachine& machine) {
    machine.QuilKey().SetString(L"QUILSDKLocation", tsctest::FixturePath(L"quilsdk_unsigned.dll"));
    return nullptr;
}

// The lock file names this process, which is alive while the test runs.
std::shared_ptr<void> SelfUpdateRunning(tsctest::HealthyMachine&) {
    return std::make_shared<tsctest::ScopedLockFile>(tsctest::OwnProcessId());
}

std::shared_ptr<void> SdkLocationMissing(tsctest::HealthyMachine& machine) {
    machine.QuilKey().DeleteKey();
    return nullptr;
}

std::shared_ptr<void> ReleaseKeyMissing(tsctest::HealthyMachine& machine) {
    machine.ReleaseKey().DeleteKey();
    return nullptr;
}

// The start answers true whenever the folder resolves: only the session and its lock are
// missing then. Without the release key the session opens and is torn down again.
INSTANTIATE_TEST_SUITE_P(
    EachRefusal, Refusals,
    ::testing::Values(RefusalCase{"UnsignedSdk", UnsignedSdk, true, false},
                      RefusalCase{"SelfUpdateRunning", SelfUpdateRunning, true, false},
                      RefusalCase{"SdkLocationMissing", SdkLocationMissing, true, false},
                      RefusalCase{"ReleaseKeyMissing", ReleaseKeyMissing, false, true}),
    tsctest::RowName);

}  // namespace
