// What the current process holds: its handles and its memory, for leak checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace bench {

// The number of handles this process holds, or nullopt when the system cannot list them.
// GetProcessHandleCount answers 0 under Wine, so the system-wide handle list is walked instead.
std::optional<std::size_t> ProcessHandleCount();

// The process's private committed memory in bytes (PrivateUsage, or the commit charge where the
// system leaves that at 0), or nullopt on failure.
std::optional<std::uint64_t> ProcessPrivateBytes();

// The bytes of all blocks in use in the process's heaps (the C runtime's included): exact where
// private bytes grow in whole pages and heap segments, but blind to memory taken outside heaps.
std::optional<std::uint64_t> ProcessHeapBytesInUse();

}  // namespace bench
