// Step 1: the values the installer recorded for the release, and whether their folders exist.
#include <optional>

#include "checks.h"
#include "facts.h"
#include "location/existence.h"
#include "location/release_key.h"
#include "location/text_conversion.h"

namespace tscdiag {
namespace {

// The library reads InstallPath and Version into a buffer of MAX_PATH UTF-16 units; a value
// with more data fails its read.
constexpr std::size_t kLibraryValueBytes = MAX_PATH * sizeof(wchar_t);

std::optional<std::wstring> LibraryText(const RawValue& value) {
    if (!value.present || value.data.size() > kLibraryValueBytes) return std::nullopt;
    return DataAsText(value.data);
}

// The folder as the library composes it from the two values, step by step, stopping at the
// first problem the library would stop at.
class RegistryFolder {
  public:
    RegistryFolder(const RawValue& installPath, const RawValue& version)
        : installPath_(installPath), version_(version) {}

    // The problem in plain words, or nothing when the folder exists.
    std::optional<std::string> Resolve() {
        const std::optional<std::wstring> root = LibraryText(installPath_);
        if (!root) return "InstallPath cannot be read (missing, or longer than 259 characters).";
        root_ = *root;
        const tsc::Existence rootFound = tsc::QueryExistence(*root);
        rootExists_ = rootFound.exists;
        rootError_ = rootFound.error;
        if (!rootFound.exists) return "the installation root " + Quoted(*root) + " does not exist.";
        const std::optional<std::wstring> version = LibraryText(version_);
        if (!version) return "Version cannot be read (missing, or longer than 259 characters).";
        if (version->empty()) return "Version is empty.";
        folder_ = *root + L"\\" + *version;
        const tsc::Existence folderFound = tsc::QueryExistence(folder_);
        folderExists_ = folderFound.exists;
        folderError_ = folderFound.error;
        if (!folderFound.exists)
            return "the version folder " + Quoted(folder_) + " does not exist.";
        if (folder_.size() < kShortestFolder) {
            return "the folder " + Quoted(folder_) + " is shorter than 5 characters.";
        }
        return std::nullopt;
    }

    void AppendFacts(Object& facts) const {
        facts.push_back({"installRoot", "Installation root", Text(root_)});
        facts.push_back({"installRootExists", "Installation root exists", rootExists_});
        AppendExistenceError(facts, "installRootError", rootError_);
        facts.push_back({"versionFolder", "Version folder", Text(folder_)});
        facts.push_back({"versionFolderExists", "Version folder exists", folderExists_});
        AppendExistenceError(facts, "versionFolderError", folderError_);
    }

    const std::wstring& Folder() const { return folder_; }

  private:
    static Value Text(const std::optional<std::wstring>& text) {
        return text ? Value(*text) : Value();
    }
    static Value Text(const std::wstring& text) { return text.empty() ? Value() : Value(text); }

    // A status query that failed for another reason than absence (access denied, ...).
    static void AppendExistenceError(Object& facts, const char* key, std::uint32_t code) {
        if (code == 0) return;
        Object error;
        AddErrorFields(error, code);
        facts.push_back({key, "Status query failed", std::move(error)});
    }

    const RawValue& installPath_;
    const RawValue& version_;
    std::optional<std::wstring> root_;
    Value rootExists_;
    std::uint32_t rootError_ = 0;
    std::wstring folder_;
    Value folderExists_;
    std::uint32_t folderError_ = 0;
};

Object SwitchFacts(const RawValue& value) {
    Object facts = DescribeValue(value, false);
    if (value.present) facts.push_back({"data", "Data", HexBytes(value.data)});
    return facts;
}

}  // namespace

void CheckReleaseValues(const OverrideState& override, Context& context, Step& step) {
    const std::wstring keyPath = tsc::ReleaseKeyPath(kRelease);
    step.facts.push_back({"key", "Key", L"HKLM\\" + keyPath});
    const OpenedKey opened = OpenMachineKey(keyPath, KEY_READ);
    step.facts.push_back({"keyOpened", "Key opened", opened.error == 0});
    if (opened.error != 0) {
        AddErrorFields(step.facts, opened.error);
        Fail(step, opened.error == ERROR_FILE_NOT_FOUND
                       ? "the key does not exist: the shared components of release 2026 are "
                         "not installed on this machine."
                       : "the key cannot be opened for reading.");
        return;
    }
    const RawValue installPath = ReadRawValue(opened.key.get(), L"InstallPath");
    const RawValue version = ReadRawValue(opened.key.get(), L"Version");
    step.facts.push_back(
        {"values", "Values",
         Object{{"InstallPath", "InstallPath", DescribeValue(installPath, true)},
                {"Version", "Version", DescribeValue(version, true)},
                {"EnablePathOverride", "EnablePathOverride", SwitchFacts(override.switchValue)}}});
    RegistryFolder registryFolder(installPath, version);
    const std::optional<std::string> problem = registryFolder.Resolve();
    registryFolder.AppendFacts(step.facts);
    step.facts.push_back({"usedByLibrary", "Used by the library", !override.Active()});
    if (override.Active()) {
        Pass(step, "not used: the path override supplies the folder (step 2).");
    } else if (problem) {
        Fail(step, *problem);
    } else {
        context.folder = registryFolder.Folder();
        Pass(step, "the registry names the folder " + Quoted(context.folder) + ", and it exists.");
    }
}

}  // namespace tscdiag
