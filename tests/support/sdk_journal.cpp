#include "support/sdk_journal.h"

#include <windows.h>

#include "support/paths.h"
#include "support/scoped_files.h"

namespace tsctest {
namespace {

std::wstring NewJournalPath() {
    static int counter = 0;
    return TempRoot() + L"\\sdk-journal-" + std::to_wstring(counter++) + L".txt";
}

}  // namespace

SdkJournal::SdkJournal() : path_(NewJournalPath()), variable_(L"QUILSDK_STANDIN_JOURNAL", path_) {}

SdkJournal::~SdkJournal() { DeleteFileW(path_.c_str()); }

std::vector<std::string> SdkJournal::Calls() const {
    const std::string text = ReadFileBytes(path_).value_or("");
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
        std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SdkJournal::Exports() const {
    std::vector<std::string> names;
    for (const std::string& call : Calls()) names.push_back(call.substr(0, call.find('\t')));
    return names;
}

std::string SdkJournal::SessionId() const {
    for (const std::string& call : Calls()) {
        // "ReleaseMemory\t<session id>\t<text pointer>\t=> <result>"
        if (call.rfind("ReleaseMemory\t", 0) == 0) return call.substr(14, call.find('\t', 14) - 14);
    }
    return {};
}

}  // namespace tsctest
