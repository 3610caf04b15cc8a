// An idle process that fills the process list for the self-update check. It waits until the
// process whose id is its first argument ends (ten minutes at most), so that none outlives a
// benchmark that could not stop it; without a live parent it ends at once. Once it is up, it
// releases the semaphore named by its second argument, so that the parent knows when all its
// sleepers have finished starting and sit idle.
#include <windows.h>

#include <cstdlib>

#include "harness/program_run.h"

namespace {

constexpr DWORD kLongestWaitMs = 10 * 60 * 1000;

}  // namespace

int main(int argc, char** argv) {
    const DWORD parentId = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 0;
    const tsctest::UniqueHandle parent(OpenProcess(SYNCHRONIZE, FALSE, parentId));
    if (!parent) return 1;
    if (argc > 2) {
        const tsctest::UniqueHandle started(OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, argv[2]));
        if (started) ReleaseSemaphore(started.get(), 1, nullptr);
    }
    WaitForSingleObject(parent.get(), kLongestWaitMs);
    return 0;
}
