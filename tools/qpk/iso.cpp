// qpk iso: a finished medium folder written to an ISO 9660 disc image with
// Joliet names (what Windows reads) and Rock Ridge names (what Linux reads),
// by Debian's xorriso, run as a child process.
//
// Everything the image could not hold, or that would not install from it, is
// refused before anything is written, every problem at once; the image is
// written to a temporary file beside the output and renamed into place only
// when xorriso has finished without a warning.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "common/text_rules.h"
#include "medium.h"
#include "qpk.h"

namespace fs = std::filesystem;

// Joliet keeps 64 UTF-16 characters of a name and 240 bytes of a path:
// xorriso cuts a longer name and leaves a file with a longer path out of the
// Joliet tree, both with no more than a warning. The path is counted with its
// leading and trailing separator, so 118 characters remain for the names.
constexpr std::size_t kJolietNameUnits = 64;
constexpr std::size_t kJolietPathUnits = 118;
// The largest file one ISO 9660 extent holds (4 GiB - 2 KiB). A larger file
// would need several extents, which not every Windows reads; the package
// manifest cannot count 4 GiB anyway.
constexpr std::uint64_t kLargestFile = 4294965248ULL;
// The volume label: ISO 9660 allows A-Z, 0-9 and _ (32 of them), Joliet keeps
// 16 characters, and Windows shows the Joliet one.
constexpr std::size_t kLabelLength = 16;

struct IsoOptions {
    std::string folder;
    std::string output;
    std::string label;
    bool labelGiven = false;
    bool autorun = false;
    bool strict = false;  // every warning of `qpk check` refuses the image too
};

// A file or folder of the medium, relative to its top, with '/'.
struct MediumEntry {
    std::string path;
    bool folder = false;
    std::uint64_t size = 0;
};

// The temporary image, removed when the tool is stopped while xorriso writes.
static char g_partialPath[4096];
static volatile pid_t g_childPid = 0;

static bool ParseIsoOptions(const std::vector<std::string>& args, IsoOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool hasValue = i + 1 < args.size();
        if (arg == "-o" && hasValue) {
            options.output = args[++i];
        } else if (arg == "--label" && hasValue) {
            options.label = args[++i];
            options.labelGiven = true;
        } else if (arg == "--autorun") {
            options.autorun = true;
        } else if (arg == "--strict") {
            options.strict = true;
        } else if (options.folder.empty() && !arg.empty() && arg[0] != '-') {
            options.folder = arg;
        } else {
            return false;
        }
    }
    return !options.folder.empty() && !options.output.empty();
}

static bool IsLabelCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The label of a disc made from a folder: its name in capitals, every other
// character an underscore (runs of them as one), cut to the label's length.
static std::string LabelOfFolderName(const std::string& name) {
    std::string label;
    for (char c : UpperAscii(name)) {
        char take = IsLabelCharacter(c) ? c : '_';
        if (take == '_' && (label.empty() || label.back() == '_')) continue;
        label += take;
    }
    if (label.size() > kLabelLength) label.resize(kLabelLength);
    while (!label.empty() && label.back() == '_') label.pop_back();
    return label.empty() ? "SETUP" : label;
}

// Why the image cannot carry the label; "" when it can.
static std::string LabelProblem(const std::string& label) {
    std::string bad;  // whole UTF-8 characters, each once
    for (std::size_t i = 0; i < label.size();) {
        std::size_t length = 1;
        while (i + length < label.size() && (static_cast<unsigned char>(label[i + length]) & 0xC0) == 0x80) ++length;
        std::string character = label.substr(i, length);
        if (!(length == 1 && IsLabelCharacter(label[i])) && bad.find(character) == std::string::npos) bad += character;
        i += length;
    }
    std::string rule = "a disc label holds 1 to 16 letters A-Z, digits and underscores (ISO 9660 allows no other "
                       "characters, and Windows shows the Joliet label, which keeps 16)";
    if (label.empty()) return "the label is empty: " + rule;
    if (!bad.empty()) return "label \"" + label + "\" holds \"" + bad + "\": " + rule;
    if (label.size() > kLabelLength)
        return "label \"" + label + "\" has " + std::to_string(label.size()) + " characters: " + rule;
    return "";
}

static std::string AutorunText(const std::string& label) {
    return "[autorun]\r\nopen=Setup.exe\r\nicon=Setup.exe\r\nlabel=" + label + "\r\n";
}

// UTF-16 units of a UTF-8 name (a byte that starts no sequence counts one).
static std::size_t Utf16Units(const std::string& utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) continue;
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

static std::string LastName(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

static std::string ParentOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

// Why one name cannot stand on the disc as Windows reads it; "" when it can.
static std::string OwnNameProblem(const std::string& name) {
    std::string cp949;
    if (!Utf8ToCp949(name, cp949)) return "has no form in code page 949, in which the setup program reads names";
    std::string bad;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return "holds a control character";
        if (std::strchr("*:;?\\<>\"|", c) != nullptr && bad.find(static_cast<char>(c)) == std::string::npos)
            bad += static_cast<char>(c);
    }
    if (!bad.empty())
        return "holds \"" + bad + "\" (Joliet forbids * : ; ? \\, Windows also < > \" |)";
    std::size_t units = Utf16Units(name);
    if (units > kJolietNameUnits)
        return "is " + std::to_string(units) + " characters long; Joliet keeps " +
               std::to_string(kJolietNameUnits);
    if (name.back() == '.' || name.back() == ' ') return "ends in a dot or a blank, which Windows drops";
    return "";
}

// Every file and folder below the medium's top, in name order; links and
// special files are reported, as is a folder that cannot be read.
static bool ListMediumEntries(const std::string& folder, std::vector<MediumEntry>& entries,
                              std::vector<std::string>& problems) {
    std::error_code error;
    fs::recursive_directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        std::string path = it->path().lexically_relative(folder).generic_string();
        fs::file_status status = it->symlink_status(error);
        if (error) break;
        if (fs::is_symlink(status)) {
            problems.push_back(path + ": a symbolic link (Joliet holds none): copy the file or folder it names");
            it.disable_recursion_pending();
        } else if (fs::is_directory(status)) {
            entries.push_back({path, true, 0});
        } else if (fs::is_regular_file(status)) {
            entries.push_back({path, false, it->file_size()});
        } else {
            problems.push_back(path + ": not a file or a folder");
        }
    }
    if (error) {
        std::fprintf(stderr, "qpk: %s: %s\n", folder.c_str(), error.message().c_str());
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const MediumEntry& a, const MediumEntry& b) { return a.path < b.path; });
    return true;
}

// The names the image cannot hold, each with its reason. A folder whose path
// is already too long is named, not everything in it.
static void CheckEntryNames(const std::vector<MediumEntry>& entries, std::vector<std::string>& problems) {
    std::map<std::string, std::string> seen;  // folder + '/' + name key -> first name
    std::map<std::string, bool> pathTooLong;
    for (const MediumEntry& entry : entries) {
        std::string name = LastName(entry.path), parent = ParentOf(entry.path);
        std::string problem = OwnNameProblem(name);
        if (!problem.empty()) {
            problems.push_back(entry.path + ": the name " + problem);
            continue;
        }
        std::string cp949;
        Utf8ToCp949(name, cp949);
        auto same = seen.emplace(parent + "/" + FileNameKey(cp949), entry.path);
        if (!same.second)
            problems.push_back(entry.path + ": the same name as " + same.first->second +
                               " for Windows, which does not tell capitals from small letters");
        std::size_t units = Utf16Units(entry.path);
        bool tooLong = units > kJolietPathUnits;
        pathTooLong[entry.path] = tooLong;
        if (tooLong && !pathTooLong[parent])
            problems.push_back(entry.path + ": the path is " + std::to_string(units) +
                               " characters long; Joliet keeps " + std::to_string(kJolietPathUnits) +
                               (entry.folder ? " (with everything in the folder)" : ""));
        if (!entry.folder && entry.size > kLargestFile)
            problems.push_back(entry.path + ": " + std::to_string(entry.size) +
                               " bytes; one file on the disc holds at most 4 GiB - 2 KiB (4294965248 bytes)");
    }
}

static const MediumEntry* TopFile(const std::vector<MediumEntry>& entries, const char* name) {
    for (const MediumEntry& entry : entries)
        if (!entry.folder && entry.path.find('/') == std::string::npos && SameFileName(entry.path, name))
            return &entry;
    return nullptr;
}

// The findings of `qpk check` that say the manifest no longer matches the
// medium's files: a file grown or shrunk past a cluster since `qpk build`
// (the total), a file added that no list installs, a package file missing,
// a shared file also in the manifest. Each is mended by building the
// manifest again; the disc is refused with them whatever their severity.
static const char* const kStaleManifestCodes[] = {"total-too-small",    "total-mismatch",    "total-files-added",
                                                  "file-not-listed",    "package-file-missing",
                                                  "shared-in-manifest"};

static bool IsStaleManifestFinding(const Finding& finding) {
    for (const char* code : kStaleManifestCodes)
        if (finding.code == code) return true;
    return false;
}

// A word for a POSIX shell: as it is when it holds nothing the shell reads
// otherwise, else in single quotes.
static std::string ShellWord(const std::string& word) {
    bool plain = !word.empty();
    for (unsigned char c : word)
        plain = plain && (std::isalnum(c) || std::strchr("_/.,:=@%+-", c) != nullptr || c >= 0x80);
    if (plain) return word;
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The one command that writes the medium's manifest as it must be: every
// file below the folder but the shared files of the script.
static std::string BuildCommandFor(const std::string& folder, const Medium& medium) {
    std::string top = folder;
    while (top.size() > 1 && top.back() == '/') top.pop_back();
    std::string command = "qpk build " + ShellWord(top) + " -o " + ShellWord(top + "/Quorin.qpk");
    for (const std::string& shared : SharedFileNames(medium.script)) command += " --exclude " + ShellWord(shared);
    return command;
}

static bool IsMissingFileFinding(const Finding& finding) {
    return finding.code == "no-script" || finding.code == "no-setup-exe";
}

// What keeps the medium from shipping, as the analysis of `qpk check` finds
// it: the three files at its top, a manifest that no longer matches the
// files (with the command that mends it), then every error, or with strict
// every warning too.
static bool CheckMediumInstalls(const std::string& folder, bool strict, std::vector<std::string>& problems) {
    MediumOptions options;
    options.folder = folder;
    Medium medium;
    if (!ReadMediumFolder(options, medium)) return false;
    bool hasProgram = false;
    for (const auto& file : medium.files) hasProgram = hasProgram || SameFileName(file.first, "Setup.exe");
    std::string rebuild = BuildCommandFor(folder, medium);
    std::vector<std::string> missing;
    if (!hasProgram) missing.push_back("Setup.exe (the program: copy build/win32/Setup.exe)");
    if (!medium.hasScript) missing.push_back("Setup.ini (the setup script)");
    if (medium.manifestBuilt) missing.push_back("Quorin.qpk (the package manifest: " + rebuild + ")");
    for (const std::string& what : missing) problems.push_back("missing at the top of the medium: " + what);
    MediumReport report = AnalyseMedium(medium, options.context);
    std::vector<std::string> stale, refused;
    for (const Finding& finding : report.findings) {
        std::string line = "qpk check: " + finding.code + ": " + Utf8Of(finding.text);
        if (IsStaleManifestFinding(finding) && !medium.manifestBuilt)
            stale.push_back(line);
        else if (!IsMissingFileFinding(finding) &&
                 (finding.severity == Severity::Error || (strict && finding.severity == Severity::Warning)))
            refused.push_back(line);
    }
    if (!stale.empty()) {
        problems.push_back("Quorin.qpk no longer matches the medium's files (changed since qpk build):");
        problems.insert(problems.end(), stale.begin(), stale.end());
        problems.push_back("mend it with: " + rebuild);
    }
    problems.insert(problems.end(), refused.begin(), refused.end());
    if (!refused.empty()) problems.push_back("qpk check " + ShellWord(folder) + " shows every finding with its line");
    return true;
}

// The program file in PATH; "" when there is none.
static std::string FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate)) return candidate;
    }
    return "";
}

static void RemovePartialImageAndStop(int signal) {
    if (g_childPid > 0) kill(g_childPid, SIGTERM);
    if (g_partialPath[0] != '\0') unlink(g_partialPath);
    _exit(128 + signal);
}

// Runs the program with these arguments (no shell), its output collected;
// the exit status, or -1 when it could not be started.
static int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string& output) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    g_childPid = pid;
    close(pipeFds[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0) output.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    g_childPid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static std::vector<std::string> XorrisoArguments(const std::string& folder, const std::string& image,
                                                 const std::string& label, const std::string& autorunFile) {
    std::vector<std::string> args = {
        "xorriso", "-no_rc",
        // Any warning fails the run: xorriso only warns when it cuts a name
        // or leaves a file out of the Joliet tree.
        "-abort_on", "FAILURE", "-return_with", "WARNING", "32", "-report_about", "WARNING",
        // The medium's names are UTF-8, whatever the caller's locale says.
        "-local_charset", "UTF-8", "-outdev", "stdio:" + image, "-volid", label, "-joliet", "on",
        "-rockridge", "on", "-file_size_limit", std::to_string(kLargestFile), "--",
        // Rock Ridge records owners: the disc's files belong to nobody in particular.
        "-uid", "0", "-gid", "0", "-map", folder, "/"};
    if (!autorunFile.empty()) {
        args.push_back("-map");
        args.push_back(autorunFile);
        args.push_back("/autorun.inf");
    }
    args.push_back("-end");
    return args;
}

static std::string WithThousands(std::uint64_t value) {
    std::string digits = std::to_string(value), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// The smallest usual disc that takes the image.
static const char* DiscFor(std::uint64_t bytes) {
    if (bytes <= 360000ULL * 2048) return "fits a CD-R of 700 MB (80 minutes)";
    if (bytes <= 2295104ULL * 2048) return "needs a DVD (4.7 GB)";
    if (bytes <= 4173824ULL * 2048) return "needs a dual-layer DVD (8.5 GB)";
    if (bytes <= 12219392ULL * 2048) return "needs a BD-R (25 GB)";
    return "is larger than a single-layer BD-R (25 GB)";
}

static void PrintProblems(const std::string& folder, const std::vector<std::string>& problems) {
    std::fprintf(stderr, "qpk iso: %s: no image written:\n", folder.c_str());
    for (const std::string& problem : problems) std::fprintf(stderr, "  %s\n", problem.c_str());
}

static void UsageOfIso() {
    std::fputs("usage: qpk iso <medium folder> -o <image.iso> [--label <label>] [--autorun] [--strict]\n", stderr);
}

// Writes the image through a temporary file; 0 when it is in place.
static int WriteImage(const std::string& xorriso, const IsoOptions& options, const std::string& label,
                      const std::string& autorunText) {
    fs::path output = fs::absolute(options.output);
    std::string partial = output.string() + ".partial-" + std::to_string(getpid());
    std::string autorunFile = autorunText.empty() ? "" : output.string() + ".autorun-" + std::to_string(getpid());
    if (partial.size() >= sizeof g_partialPath) {
        std::fprintf(stderr, "qpk iso: %s: the path is too long\n", options.output.c_str());
        return 2;
    }
    std::memcpy(g_partialPath, partial.c_str(), partial.size() + 1);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, RemovePartialImageAndStop);
    unlink(partial.c_str());
    if (!autorunFile.empty()) {
        std::ofstream out(autorunFile, std::ios::binary);
        out << autorunText;
        if (!out.flush()) {
            std::fprintf(stderr, "qpk iso: %s: cannot be written\n", autorunFile.c_str());
            return 2;
        }
    }
    std::string log;
    int status = RunProgram(xorriso, XorrisoArguments(options.folder, partial, label, autorunFile), log);
    if (!autorunFile.empty()) unlink(autorunFile.c_str());
    std::error_code error;
    if (status == 0) fs::rename(partial, output, error);
    if (status != 0 || error) {
        unlink(partial.c_str());
        g_partialPath[0] = '\0';
        if (status != 0)
            std::fprintf(stderr, "%sqpk iso: xorriso ended with status %d: no image written\n", log.c_str(), status);
        else
            std::fprintf(stderr, "qpk iso: %s: %s: no image written\n", options.output.c_str(),
                         error.message().c_str());
        return 1;
    }
    g_partialPath[0] = '\0';
    return 0;
}

// The image may not lie inside the medium (it would hold itself), and its
// folder must be there.
static void CheckOutputPlace(const IsoOptions& options, std::vector<std::string>& problems) {
    fs::path top = fs::canonical(options.folder), output = fs::weakly_canonical(fs::absolute(options.output));
    if (std::mismatch(top.begin(), top.end(), output.begin(), output.end()).first == top.end())
        problems.push_back(options.output + ": lies inside the medium; write the image elsewhere");
    else if (!fs::is_directory(output.parent_path()))
        problems.push_back(options.output + ": the folder " + output.parent_path().string() + " does not exist");
}

// The autorun.inf to add at the disc's root: "" when the medium's own is
// already that text; a medium's own that differs is never replaced.
static std::string AutorunToAdd(const std::string& folder, const std::vector<MediumEntry>& entries,
                                const std::string& label, std::vector<std::string>& problems) {
    std::string wanted = AutorunText(label), present;
    const MediumEntry* existing = TopFile(entries, "autorun.inf");
    if (existing == nullptr) return wanted;
    if (!ReadWholeFile((fs::path(folder) / existing->path).string(), present) || present != wanted)
        problems.push_back(existing->path + ": the medium has its own, which differs from what --autorun writes "
                           "(open=Setup.exe, icon=Setup.exe, label=" + label +
                           "); leave out --autorun to ship it, or remove it");
    return "";
}

int IsoCommand(const std::vector<std::string>& args) {
    IsoOptions options;
    if (!ParseIsoOptions(args, options)) {
        UsageOfIso();
        return 2;
    }
    if (!fs::is_directory(options.folder)) {
        std::fprintf(stderr, "qpk iso: %s: not a folder\n", options.folder.c_str());
        return 2;
    }
    std::vector<std::string> problems;
    std::string label = options.labelGiven
                            ? UpperAscii(options.label)
                            : LabelOfFolderName(fs::canonical(options.folder).filename().string());
    std::string labelProblem = LabelProblem(label);
    if (!labelProblem.empty()) problems.push_back(labelProblem);

    CheckOutputPlace(options, problems);

    std::vector<MediumEntry> entries;
    if (!ListMediumEntries(options.folder, entries, problems)) return 2;
    CheckEntryNames(entries, problems);
    if (!CheckMediumInstalls(options.folder, options.strict, problems)) return 2;

    std::string autorunText = options.autorun ? AutorunToAdd(options.folder, entries, label, problems) : "";

    std::string xorriso = FindProgram("xorriso");
    if (xorriso.empty())
        problems.push_back("xorriso, which writes the image, is not installed: apt-get install xorriso "
                           "(Debian package xorriso)");
    if (!problems.empty()) {
        PrintProblems(options.folder, problems);
        return 2;
    }

    int status = WriteImage(xorriso, options, label, autorunText);
    if (status != 0) return status;
    std::size_t files = 0, folders = 0;
    for (const MediumEntry& entry : entries) ++(entry.folder ? folders : files);
    if (!autorunText.empty()) ++files;
    std::uint64_t size = fs::file_size(options.output);
    std::printf("%s: %s bytes, %zu files in %zu folders, label %s%s\n", options.output.c_str(),
                WithThousands(size).c_str(), files, folders, label.c_str(),
                autorunText.empty() ? "" : ", autorun.inf added");
    std::printf("the image %s\n", DiscFor(size));
    return 0;
}
