// What a prepared installation medium will do, worked out without running
// the program: the findings about its setup script and package manifest
// (lines that will be skipped or end their step, values cut to their
// buffers, paths too long for a given install folder, files missing from the
// medium) and the plan of an installation on a clean machine, in the
// program's order. Every decision goes through the rules the program itself
// uses. Portable: no Windows headers, no globals, no I/O; the caller reads
// the medium into a Medium.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Medium {
    bool hasScript = false;
    std::string script;         // Setup.ini as the program reads it (CP949)
    bool hasManifest = false;
    bool manifestBuilt = false; // no Quorin.qpk: `manifest` is what `qpk build` would write
    std::string manifest;       // Quorin.qpk bytes
    // Every file of the medium: relative name with backslashes (CP949) -> size.
    std::map<std::string, std::uint64_t> files;
};

// The machine the plan assumes. An empty installDir takes "Default Path".
struct MediumContext {
    std::string installDir;
    std::string sourceFolder = "D:\\";
    std::string windowsDir = "C:\\windows";
    std::string systemDir = "C:\\windows\\system32";
    std::string programs = "C:\\Documents and Settings\\Player\\Start Menu\\Programs";
    std::string desktop = "C:\\Documents and Settings\\Player\\Desktop";
    std::uint32_t clusterSize = 4096;
};

enum class Severity { Info, Warning, Error };

struct Finding {
    Severity severity = Severity::Info;
    std::string code;     // a short stable name, such as "value-line-ends-step"
    std::string section;  // empty for the manifest and the medium
    std::string key;
    int line = 0;         // line of Setup.ini, 0 when none
    std::string text;     // English, quoting the script's values as written
};

struct PlannedMessage {
    std::string caption;
    std::string text;
    std::string answer;  // the answer the plan assumes ("" for a notice)
};

struct PlannedValue {
    std::string key;   // root name + "\" + sub-key
    std::string name;  // "" is the key's default value
    std::uint32_t type = 0;
    std::vector<unsigned char> bytes;
};

struct PlannedFile {
    std::string name;         // as the manifest or [Shared File] names it
    std::string destination;  // full path
};

struct PlannedLink {
    std::string linkFile, target, arguments, workingFolder, icon, description;
    int showCommand = 1;
};

struct PlannedProgram {
    std::string commandLine;
    bool wait = false;
};

struct InstallPlan {
    bool installs = true;     // false when the program stops before writing anything
    std::string installDir;
    std::vector<PlannedMessage> messages;  // in the order the player sees them
    std::vector<std::string> registryKeys; // keys created, values or not
    std::vector<PlannedValue> registryValues;
    std::vector<PlannedFile> files;
    std::vector<PlannedFile> sharedFiles;
    std::vector<std::string> folders;      // the program group folder
    std::vector<PlannedLink> links;
    std::vector<PlannedProgram> programs;
    std::vector<PlannedValue> versionRecord;
    int exitCode = 0;
};

struct MediumReport {
    std::vector<Finding> findings;
    InstallPlan plan;
};

// Works the medium through in the program's order.
MediumReport AnalyseMedium(const Medium& medium, const MediumContext& context);

// 0 clean (infos only), 1 warnings only, 2 errors.
int FindingsExitStatus(const std::vector<Finding>& findings);

const char* SeverityName(Severity severity);
