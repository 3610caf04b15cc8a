#include "handle_count.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

namespace bench {
namespace {

// SystemExtendedHandleInformation: unlike the older class 16, whose entries carry only the low
// 16 bits of the owner's process id, each entry names its owner in full.
constexpr auto kExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
// The list only grows while it is being fetched; give up rather than grow without bound.
constexpr std::size_t kLargestBuffer = std::size_t{256} << 20;

struct HandleEntry {
    void* object;
    ULONG_PTR ownerProcessId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};

// The list's head; the entries follow it directly.
struct HandleListHead {
    ULONG_PTR count;
    ULONG_PTR reserved;
};

// The whole system's handle list, or an empty buffer on failure.
std::vector<unsigned char> FetchHandleList() {
    std::vector<unsigned char> buffer(std::size_t{1} << 20);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(
            kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) return buffer;
        if (status != kInfoLengthMismatch || buffer.size() >= kLargestBuffer) return {};
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::optional<std::size_t> ProcessHandleCount() {
    const std::vector<unsigned char> buffer = FetchHandleList();
    if (buffer.empty()) return std::nullopt;
    const auto* head = reinterpret_cast<const HandleListHead*>(buffer.data());
    const auto* entries =
        reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(HandleListHead));
    // Never trust the count beyond what the buffer holds.
    const std::size_t room = (buffer.size() - sizeof(HandleListHead)) / sizeof(HandleEntry);
    const std::size_t listed = head->count < room ? head->count : room;
    const ULONG_PTR self = GetCurrentProcessId();
    std::size_t count = 0;
    for (std::size_t i = 0; i < listed; ++i) {
        if (entries[i].ownerProcessId == self) ++count;
    }
    return count;
}

std::optional<std::uint64_t> ProcessPrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
        return std::nullopt;
    }
    // Wine leaves PrivateUsage at 0 but keeps the commit charge in PagefileUsage, which is the
    // same figure on Windows.
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

std::optional<std::uint64_t> ProcessHeapBytesInUse() {
    // Room for a few heaps made between the two calls; any beyond that are left out.
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 8);
    const DWORD listed = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (listed == 0) return std::nullopt;
    heaps.resize(std::min<std::size_t>(listed, heaps.size()));
    std::uint64_t inUse = 0;
    for (HANDLE heap : heaps) {
        // Locked so that the walk sees one consistent state of the heap.
        if (!HeapLock(heap)) return std::nullopt;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) inUse += entry.cbData;
        }
        HeapUnlock(heap);
    }
    return inUse;
}

}  // namespace bench
