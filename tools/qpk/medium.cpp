// Reading a medium folder into the description the analysis works on.
#include "medium.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/profile_rules.h"
#include "common/script_rules.h"
#include "install/shared_file_rules.h"
#include "qpk.h"

namespace fs = std::filesystem;

static bool TakePath(const std::string& utf8, std::string& cp949) {
    if (Utf8ToCp949(utf8, cp949)) return true;
    std::fprintf(stderr, "qpk: %s: no form in code page 949\n", utf8.c_str());
    return false;
}

bool ParseMediumOptions(const std::vector<std::string>& args, MediumOptions& options) {
    MediumContext& c = options.context;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool hasValue = i + 1 < args.size();
        std::string* path = arg == "--install-dir" ? &c.installDir
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

static bool ReadWholeFile(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream out;
    out << in.rdbuf();
    bytes = out.str();
    return true;
}

// Text with bytes above 0x7F that is valid UTF-8 is taken for UTF-8: Korean
// text in code page 949 practically never is.
static bool LooksLikeUtf8(const std::string& text) {
    bool wide = false;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t follow = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (follow == 9 || i + follow >= text.size() + (follow == 0 ? 1 : 0)) return false;
        for (std::size_t k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        wide = wide || follow > 0;
        i += follow + 1;
    }
    return wide;
}

static bool ReadScript(MediumOptions& options, Medium& medium) {
    fs::path path = fs::path(options.folder) / "Setup.ini";
    std::string bytes;
    if (!fs::is_regular_file(path) || !ReadWholeFile(path, bytes)) return true;  // a finding, not a failure
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    if (LooksLikeUtf8(bytes)) {
        if (!Utf8ToCp949(bytes, medium.script)) {
            std::fprintf(stderr, "qpk: %s: UTF-8 text with no form in code page 949\n", path.c_str());
            return false;
        }
        options.scriptWasUtf8 = true;
    } else {
        medium.script = bytes;
    }
    medium.hasScript = true;
    return true;
}

// The shared files of the script, which `qpk build` is told to leave out.
static std::vector<std::string> SharedFileNames(const std::string& script) {
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
    }
    if (error) std::fprintf(stderr, "qpk: %s: %s\n", options.folder.c_str(), error.message().c_str());
    return !error;
}

bool ReadMediumFolder(MediumOptions& options, Medium& medium) {
    if (!fs::is_directory(options.folder)) {
        std::fprintf(stderr, "qpk: %s: not a folder\n", options.folder.c_str());
        return false;
    }
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
