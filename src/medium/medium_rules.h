// What a prepared installation medium will do, worked out without running
// the program: the findings about its setup script and package manifest
// (lines that will be skipped or end their step, values cut to their
// buffers, paths too long for a given install folder, files missing from the
// medium) and the plan of an installation on a given machine (by default a
// clean one) with given answers, in the program's order. The findings cover
// every line of the script whatever the machine: where the case planned
// stops the installation (an update refused, a question answered No), the
// findings of the later stages are gathered as if it went on. Every decision
// goes through the rules the program itself uses. Portable: no Windows
// headers, no globals, no I/O; the caller reads the medium into a Medium.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// How the bytes of Setup.ini are written. The program reads them as code
// page 949 whatever they are.
enum class ScriptEncoding { Cp949, Utf8, NotCp949 };

// The encoding of a script's bytes: UTF-8 when it holds bytes above 0x7F and
// all of them form UTF-8 sequences (Korean text in code page 949 practically
// never does); else NotCp949 when a byte cannot be read as code page 949 (a
// lead byte 0x81..0xFE without a trail byte 0x41..0x5A, 0x61..0x7A or
// 0x81..0xFE, or a byte 0x80 or 0xFF), with the offset of the first such byte;
// else Cp949 (plain ASCII included).
ScriptEncoding ClassifyScriptBytes(const std::string& bytes, std::size_t* badOffset = nullptr);

struct Medium {
    // The medium's folder as the author named it, for the commands the
    // findings give ("" gives "<medium>").
    std::string folder;
    bool hasScript = false;
    std::string script;         // Setup.ini as the program reads it (CP949; a UTF-8 file converted)
    ScriptEncoding scriptEncoding = ScriptEncoding::Cp949;  // of the file as it lies on the medium
    std::size_t scriptBadOffset = 0;  // NotCp949: the first byte that is not code page 949
    bool hasManifest = false;
    bool manifestBuilt = false; // no Quorin.qpk: `manifest` is what `qpk build` would write
    std::string manifest;       // Quorin.qpk bytes
    // Every file of the medium: relative name with backslashes (CP949) -> size.
    std::map<std::string, std::uint64_t> files;
    // The first bytes (up to kProgramHeadBytes) of every file, by the same
    // names: a program the script starts must be a Windows program image. A
    // file without an entry counts as one whose bytes are not known to be one.
    std::map<std::string, std::string> heads;
    // The last-write time of every file (seconds), by the same names: which
    // files changed after Quorin.qpk was written. A file without an entry
    // has no known time.
    std::map<std::string, std::int64_t> times;
};

// How the player answers a yes/no question the plan meets.
enum class Answer { Yes, No };
// Whether the install folder exists before the installation: Implied takes
// it to exist exactly when an earlier installation is recorded at it.
enum class FolderPresence { Implied, Exists, Missing };

// The machine the plan assumes and the player's answers. An empty installDir
// takes "Default Path" (or the folder an earlier installation recorded).
struct MediumContext {
    std::string installDir;
    // The earlier installation the version check finds (read only where
    // [Version] names a usable location): its number (0: none) and the
    // install folder it recorded ("": none), which replaces "Default Path".
    std::uint32_t installedVersion = 0;
    std::string installedPath;
    FolderPresence folderPresence = FolderPresence::Implied;
    Answer overwrite = Answer::Yes;     // "덮어 쓰시겠습니까?" (same or newer version installed)
    Answer startPage = Answer::No;      // "기본 페이지로 등록하시겠습니까?"
    Answer createFolder = Answer::Yes;  // "폴더가 존재하지 않습니다.\n만드시겠습니까?"
    std::string sourceFolder = "D:\\";
    std::string windowsDir = "C:\\windows";
    std::string systemDir = "C:\\windows\\system32";
    std::string programs = "C:\\Documents and Settings\\Player\\Start Menu\\Programs";
    std::string desktop = "C:\\Documents and Settings\\Player\\Desktop";
    std::uint32_t clusterSize = 4096;
};

enum class Severity { Info, Warning, Error };

// One finding: where it is, what the program reads or does there, what the
// player gets because of it, and the change that removes it.
struct Finding {
    Severity severity = Severity::Info;
    std::string code;     // a short stable name, such as "value-line-ends-step"
    // "Setup.ini", "Quorin.qpk", "Setup.exe", the name of another file of the
    // medium, or "" for the medium as a whole.
    std::string file;
    std::string section;  // empty for the manifest and the medium
    std::string key;
    // Line of Setup.ini (0 when none: the key or the whole section is
    // missing, or the finding is about another file).
    int line = 0;
    std::string text;     // English, quoting the script's values as written: what the program reads or does
    std::string effect;   // what the player sees or gets because of it
    std::string fix;      // the change that removes the finding
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
    // The file Windows runs for the command line, where the line names it
    // with its drive; "" for a program found through the search path.
    std::string program;
};

struct InstallPlan {
    bool installs = true;     // false when the program stops before writing anything
    // The case planned, in words: the machine's state and the player's answers.
    std::string plannedFor;
    bool folderExisted = false;  // the install folder was taken to exist before
    // Set when the plan cannot follow the program to its end (it would come
    // back to a question the plan already answered): why it ends there. The
    // exit code is then not known.
    std::string endNote;
    std::string installDir;
    std::vector<PlannedMessage> messages;  // in the order the player sees them
    std::vector<PlannedValue> startPage;   // the browser's start page, when the player agrees
    std::vector<std::string> registryKeys; // keys created, values or not
    std::vector<PlannedValue> registryValues;
    std::vector<PlannedFile> files;
    std::vector<PlannedFile> sharedFiles;
    std::vector<std::string> folders;      // the program group folder
    std::vector<PlannedLink> links;
    std::vector<PlannedProgram> programs;
    std::vector<PlannedValue> versionRecord;
    // Where the version check reads the installed number and folder (key and
    // value name; an empty key where the script names no usable location).
    PlannedValue versionLocation;
    PlannedValue installLocation;
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

// Whether a name relative to the medium is one of the setup's own files at
// its top (Setup.exe, Setup.ini, Quorin.qpk) or the disc's autorun.inf,
// which are never package files.
bool IsSetupFileName(const std::string& name);

// A link's show command in words with its window-function name and number,
// such as "normal window (SW_SHOWNORMAL 1)".
std::string ShowCommandName(int showCommand);
