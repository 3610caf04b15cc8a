// Builds the journal line of one call and writes it when the call's result is known.
//
// The line is   <Export>\t<argument>\t<argument>...\t=> <result>\n
// with each text argument as the raw bytes received (no escaping), "<null>" for a null text
// pointer, and the result as a signed decimal. The journal is the file named by
// QUILSDK_STANDIN_JOURNAL; when that variable is not set nothing is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quilsdk_standin {

class JournalEntry {
  public:
    explicit JournalEntry(std::string_view exportName);

    // Adds a text argument as received; a null pointer is written as "<null>".
    JournalEntry& Text(const char* text);
    // Adds a word the stand-in chose itself (such as "set" or "null").
    JournalEntry& Word(std::string_view word);

    // Appends the line with its result to the journal, if one is set, and answers result.
    std::int32_t Record(std::int32_t result);

  private:
    std::string line_;
};

}  // namespace quilsdk_standin
