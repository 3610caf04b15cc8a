// Finding a running process by the decimal text of its id, with its executable's name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tscdiag {

struct ProcessEntry {
    std::uint32_t id = 0;
    std::wstring executable;
};

// The process whose id, written as unsigned decimal digits, is exactly `idText`; nothing when
// no such process runs or no process list can be taken.
std::optional<ProcessEntry> FindProcessByIdText(const std::string& idText);

}  // namespace tscdiag
