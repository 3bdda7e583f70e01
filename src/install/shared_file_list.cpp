// The shared-file list: the [Shared File] lines of the setup script read into
// g_sharedFiles, each listed file measured in the source folder.
#include <new>
#include <string>

#include "common/scoped.h"
#include "common/script_rules.h"
#include "install/copy_rules.h"
#include "install/install.h"
#include "install/shared_file_rules.h"

// The size of sourceFolder + name, 0 when it cannot be opened or is 4 GiB or more.
static DWORD MeasureSharedFile(const std::string& path) {
    ScopedHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return 0;
    DWORD high = 0;
    DWORD low = GetFileSize(file.Get(), &high);
    return SharedFileSize(low, high);
}

// Fills one record from line `number`; a line the record cannot hold is
// reported and leaves the record unused (size 0).
static void ReadSharedFileRecord(int number, const std::string& sourceFolder, SharedFileEntry& record) {
    record.size = 0;
    char value[kValueSize];
    ReadScriptText("Shared File", LineKey(number).c_str(), value, kLineCapacity);
    SharedLineOutcome outcome = DecideSharedLine(number, value, sourceFolder);
    if (outcome.keepsKind) record.kind = outcome.fields.kind;
    if (!outcome.message.empty()) ShowScriptError(outcome.message.c_str());
    if (outcome.effect != LineEffect::Use) return;
    lstrcpynA(record.name, outcome.fields.name.c_str(), sizeof record.name);
    record.size = MeasureSharedFile(outcome.sourcePath);
}

void BuildSharedFileList() {
    int count = ReadScriptInt("Shared File", "Count", 0);
    int used = SharedFileCountToUse(count);
    if (count > used) ShowScriptError(SharedCountErrorText(count).c_str());
    delete[] g_sharedFiles;
    g_sharedFiles = used > 0 ? new (std::nothrow) SharedFileEntry[used] : nullptr;
    g_sharedFileCount = g_sharedFiles ? used : 0;
    if (!g_sharedFiles) return;
    char sourceFolder[kPathSize];
    GetSourceFolder(sourceFolder);
    for (int i = 0; i < g_sharedFileCount; ++i) ReadSharedFileRecord(i + 1, sourceFolder, g_sharedFiles[i]);
}
