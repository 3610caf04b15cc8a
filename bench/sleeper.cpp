// An idle process that fills the process list for the self-update check. It waits until the
// process whose id is its argument ends (ten minutes at most), so that none outlives a
// benchmark that could not stop it; without a live parent it ends at once.
#include <windows.h>

#include <cstdlib>

#include "bench_handles.h"

namespace {

constexpr DWORD kLongestWaitMs = 10 * 60 * 1000;

}  // namespace

int main(int argc, char** argv) {
    const DWORD parentId = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 0;
    const bench::UniqueKernelHandle parent(OpenProcess(SYNCHRONIZE, FALSE, parentId));
    if (!parent) return 1;
    WaitForSingleObject(parent.get(), kLongestWaitMs);
    return 0;
}
