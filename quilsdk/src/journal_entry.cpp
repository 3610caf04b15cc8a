#include "journal_entry.h"

#include "environment.h"
#include "journal_file.h"
#include "quilsdk/standin.h"

#include <optional>

namespace quilsdk_standin {

JournalEntry::JournalEntry(std::string_view exportName) : line_(exportName) {}

JournalEntry& JournalEntry::Text(const char* text) {
    return Word(text != nullptr ? std::string_view(text) : std::string_view("<null>"));
}

JournalEntry& JournalEntry::Word(std::string_view word) {
    line_ += '\t';
    line_ += word;
    return *this;
}

std::int32_t JournalEntry::Record(std::int32_t result) {
    // Read at every call: tests point the journal elsewhere, or switch it off, between calls.
    const std::optional<std::wstring> path = ReadVariable(kJournalVariable);
    if (path) {
        AppendJournalLine(*path, line_ + "\t=> " + std::to_string(result) + "\n");
    }
    return result;
}

}  // namespace quilsdk_standin
