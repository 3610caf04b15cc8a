// Appends whole lines to the journal file that tests read to see the calls the stand-in received.
#pragma once

#include <string>
#include <string_view>

namespace quilsdk_standin {

// Opens path, appends line (bytes written as given, no text-mode translation) and closes the
// file again, so that a test can read or delete the journal between two calls. Several processes
// may append to one journal at once; each line arrives whole. A journal that cannot be written is
// skipped: the call's result never depends on it.
void AppendJournalLine(const std::wstring& path, std::string_view line);

}  // namespace quilsdk_standin
