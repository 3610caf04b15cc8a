// Looking for a process by the decimal text of its id.
#pragma once

#include <string>

namespace tsc {

// True when a process in a snapshot of all processes has an id whose unsigned decimal text is
// exactly `idText`, byte for byte. False when no snapshot can be taken.
bool IsProcessIdListed(const std::string& idText);

}  // namespace tsc
