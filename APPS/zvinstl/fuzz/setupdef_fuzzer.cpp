// A hostile "zvinstl.def" through the definition reader and the path steps
// of an installation: every file it names lands below the install folder or
// the common files folder, and every source lies in the setup folder; and
// the same bytes as the install record that uninstall reads.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "fuzzkit/profiletext.h"
#include "setuptext.h"

namespace {

bool ShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

void CheckBelow(const std::string& folder, const std::string& value) {
    std::string tidy = TidyPath(value, ShiftJisLead);
    std::string destination = TidyPath(JoinPath(folder, tidy), ShiftJisLead);
    if (destination.compare(0, folder.size() + 1, folder + "\\") != 0) abort();
    if (!IsPathBelow(destination.substr(folder.size() + 1), ShiftJisLead)) abort();
    std::string name = tidy.substr(FileNameOffset(tidy, ShiftJisLead));
    if (FileNameOffset(name, ShiftJisLead) != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text((const char*)data, size);
    SetupDefinition definition;
    ReadSetupDefinition(
        [&](const std::string& section, const char* key, const char* fallback, size_t cap) {
            return fuzzkit::ProfileValue(text, section.c_str(), key, fallback, cap);
        },
        "no title", "no outline", ShiftJisLead, definition);
    if (definition.apps.size() > 16) abort();
    PathList paths;
    for (const SetupApp& app : definition.apps) {
        if (app.name.empty()) abort();
        if (!app.regSetKey.empty() && !IsPathBelow(app.regSetKey, ShiftJisLead)) abort();
        for (const std::string& value : app.files) {
            CheckBelow("C:\\Program Files\\z.v", value);
            paths.Add(FolderOf(TidyPath(JoinPath("C:\\Program Files\\z.v", value), ShiftJisLead), ShiftJisLead));
        }
        for (const std::string& value : app.commonFiles) CheckBelow("C:\\Program Files\\Common Files", value);
        UnescapeDefinitionText(app.outline, ShiftJisLead);
    }

    // The same bytes as a damaged record of an installation, which uninstall
    // reads: what it keeps survives being written and read again, merged into
    // another record it adds nothing twice.
    InstallRecord record = InstallRecord::Parse(text);
    std::string written = record.Text();
    if (InstallRecord::Parse(written).Text() != written) abort();
    InstallRecord merged = record;
    merged.Merge(InstallRecord::Parse(written));
    if (merged.Text() != written) abort();
    return 0;
}
