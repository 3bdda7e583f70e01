// Reading a medium folder into the description the analysis works on.
#include "medium.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/profile_rules.h"
#include "common/script_rules.h"
#include "install/shared_file_rules.h"
#include "system/program_rules.h"
#include "qpk.h"

namespace fs = std::filesystem;

static bool TakePath(const std::string& utf8, std::string& cp949) {
    if (Utf8ToCp949(utf8, cp949)) return true;
    std::fprintf(stderr, "qpk: %s: no form in code page 949\n", utf8.c_str());
    return false;
}

// "--answer overwrite=yes": the player's answer to one question.
static bool TakeAnswer(const std::string& text, MediumContext& c) {
    std::size_t equals = text.find('=');
    std::string question = text.substr(0, equals), value = equals == std::string::npos ? "" : text.substr(equals + 1);
    Answer* answer = question == "overwrite"       ? &c.overwrite
                     : question == "start-page"    ? &c.startPage
                     : question == "create-folder" ? &c.createFolder
                                                   : nullptr;
    if (answer == nullptr || (value != "yes" && value != "no")) {
        std::fprintf(stderr, "qpk: --answer %s: give overwrite, start-page or create-folder =yes or =no\n",
                     text.c_str());
        return false;
    }
    *answer = value == "yes" ? Answer::Yes : Answer::No;
    return true;
}

// A decimal number of 0 to 4294967295, as the version check compares it.
static bool TakeVersionNumber(const std::string& text, std::uint32_t& number) {
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || *end != '\0' || value > 0xFFFFFFFFull) {
        std::fprintf(stderr, "qpk: --installed-version %s: give a number of 0 to 4294967295\n", text.c_str());
        return false;
    }
    number = static_cast<std::uint32_t>(value);
    return true;
}

bool ParseMediumOptions(const std::vector<std::string>& args, MediumOptions& options) {
    MediumContext& c = options.context;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool hasValue = i + 1 < args.size();
        std::string* path = arg == "--install-dir" ? &c.installDir
                            : arg == "--installed-path" ? &c.installedPath
                            : arg == "--source-folder" ? &c.sourceFolder
                            : arg == "--windows-dir" ? &c.windowsDir
                            : arg == "--system-dir" ? &c.systemDir
                            : arg == "--programs" ? &c.programs
                            : arg == "--desktop" ? &c.desktop : nullptr;
        if (path != nullptr && hasValue) {
            if (!TakePath(args[++i], *path)) return false;
        } else if (arg == "--cluster" && hasValue) {
            c.clusterSize = static_cast<std::uint32_t>(std::strtoul(args[++i].c_str(), nullptr, 10));
            if (c.clusterSize == 0) return false;
        } else if (arg == "--installed-version" && hasValue) {
            if (!TakeVersionNumber(args[++i], c.installedVersion)) return false;
        } else if (arg == "--answer" && hasValue) {
            if (!TakeAnswer(args[++i], c)) return false;
        } else if (arg == "--folder-exists") {
            c.folderPresence = FolderPresence::Exists;
        } else if (arg == "--folder-missing") {
            c.folderPresence = FolderPresence::Missing;
        } else if (arg == "--json") {
            options.json = true;
        } else if (options.folder.empty() && !arg.empty() && arg[0] != '-') {
            options.folder = arg;
        } else {
            return false;
        }
    }
    return !options.folder.empty();
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream out;
    out << in.rdbuf();
    bytes = out.str();
    return true;
}

// Setup.ini as the program reads it. A script in UTF-8 (a finding) is
// checked as converted to code page 949, so that its lines are checked as
// they will be once converted; one that cannot be converted whole, or is in
// neither encoding, is checked as its bytes stand.
static bool ReadScript(MediumOptions& options, Medium& medium) {
    fs::path path = fs::path(options.folder) / "Setup.ini";
    std::string bytes;
    if (!fs::is_regular_file(path) || !ReadWholeFile(path, bytes)) return true;  // a finding, not a failure
    medium.scriptEncoding = ClassifyScriptBytes(bytes, &medium.scriptBadOffset);
    medium.script = bytes;
    if (medium.scriptEncoding == ScriptEncoding::Utf8) {
        if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
        std::string converted;
        if (Utf8ToCp949(bytes, converted)) medium.script = converted;
        options.scriptWasUtf8 = true;
    }
    medium.hasScript = true;
    return true;
}

// The first bytes of a file; "" when it cannot be read.
static std::string HeadOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char head[kProgramHeadBytes] = {};
    in.read(head, sizeof head);
    return std::string(head, static_cast<std::size_t>(in.gcount()));
}

std::vector<std::string> SharedFileNames(const std::string& script) {
    Profile profile = ParseProfile(script);
    std::vector<std::string> names;
    int count = SharedFileCountToUse(ProfileInt(profile, "Shared File", "Count", 0));
    for (int i = 1; i <= count; ++i) {
        SharedLineFields fields;
        std::string utf8;
        if (ParseSharedFileLine(ProfileString(profile, "Shared File", LineKey(i), kValueSize - 1), fields) ==
                SharedLine::Ok &&
            Cp949ToUtf8(fields.name, utf8))
            names.push_back(utf8);
    }
    return names;
}

static bool ReadFiles(const MediumOptions& options, Medium& medium) {
    std::error_code error;
    fs::recursive_directory_iterator it(options.folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file()) continue;
        std::string utf8 = it->path().lexically_relative(options.folder).generic_string(), name;
        for (char& c : utf8)
            if (c == '/') c = '\\';
        if (!Utf8ToCp949(utf8, name)) name = utf8;
        medium.files[name] = it->file_size();
        medium.heads[name] = HeadOf(it->path());
        std::error_code timeError;
        auto written = fs::last_write_time(it->path(), timeError);
        if (!timeError)
            medium.times[name] =
                std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count();
    }
    if (error) std::fprintf(stderr, "qpk: %s: %s\n", options.folder.c_str(), error.message().c_str());
    return !error;
}

bool ReadMediumFolder(MediumOptions& options, Medium& medium) {
    if (!fs::is_directory(options.folder)) {
        std::fprintf(stderr, "qpk: %s: not a folder\n", options.folder.c_str());
        return false;
    }
    medium.folder = options.folder;
    if (!ReadScript(options, medium) || !ReadFiles(options, medium)) return false;
    fs::path manifest = fs::path(options.folder) / "Quorin.qpk";
    if (fs::exists(manifest)) {
        medium.hasManifest = ReadWholeFile(manifest, medium.manifest);
        return true;
    }
    medium.manifestBuilt = true;
    medium.hasManifest =
        ManifestOfFolder(options.folder, SharedFileNames(medium.script), options.context.clusterSize, medium.manifest);
    return true;
}

std::string Utf8Of(const std::string& cp949) {
    std::string utf8;
    return Cp949ToUtf8(cp949, utf8) ? utf8 : PrintableName(cp949);
}

std::string JsonString(const std::string& cp949) {
    std::string utf8 = Utf8Of(cp949), out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string HexBytes(const std::vector<unsigned char>& bytes) {
    std::string out;
    char hex[3];
    for (unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        out += hex;
    }
    return out;
}
