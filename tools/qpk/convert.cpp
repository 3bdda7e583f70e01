// qpk convert: a setup script written in UTF-8 (with or without a byte-order
// mark, LF or CRLF line ends) rewritten in place as the program reads it:
// code page 949 with CRLF line ends.
//
// The original is kept as a backup beside the medium folder, not in it: in
// the folder it would be a file the manifest never installs, or, built
// before, a package file copied into the game's folder. The converted script
// is written to a temporary file beside the script and renamed over it, so
// that a failure at any point leaves the script as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/text_rules.h"
#include "medium.h"
#include "qpk.h"

namespace fs = std::filesystem;

constexpr int kMostBackups = 99;

// The whole UTF-8 character that starts at a byte, and its code point.
static std::string CharacterAt(const std::string& utf8, std::size_t at, unsigned long& codePoint) {
    unsigned char lead = static_cast<unsigned char>(utf8[at]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::string character = utf8.substr(at, length);
    codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < character.size(); ++k)
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
    return character;
}

// Writes the bytes to a file that must not exist yet; false, with errno,
// when it cannot be made or written whole.
static bool WriteNewFile(const std::string& path, const std::string& bytes, mode_t mode) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) break;
        done += static_cast<std::size_t>(wrote);
    }
    bool whole = done == bytes.size() && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && whole) {
        saved = errno;
        whole = false;
    }
    if (!whole) unlink(path.c_str());
    errno = saved;
    return whole;
}

// The first free name for the backup of a script: beside its folder,
// "<folder>-<script>.bak", then "<folder>-<script>.2.bak" and on; an
// existing backup is never replaced. "" when all are taken.
static std::string FreeBackupPath(const fs::path& script) {
    fs::path folder = script.parent_path();
    fs::path place = folder.has_parent_path() && folder.parent_path() != folder ? folder.parent_path() : folder;
    std::string stem = (place == folder ? "" : folder.filename().string() + "-") + script.filename().string();
    for (int n = 1; n <= kMostBackups; ++n) {
        fs::path candidate = place / (stem + (n == 1 ? "" : "." + std::to_string(n)) + ".bak");
        std::error_code error;
        if (!fs::exists(fs::symlink_status(candidate, error))) return candidate.string();
    }
    return "";
}

// How the UTF-8 original was written, for the report.
static std::string FormOf(bool byteOrderMark, const std::string& text) {
    bool crlf = text.find("\r\n") != std::string::npos;
    bool lf = WithCrlfLineEnds(text).size() != text.size();
    std::string ends = crlf && lf ? "mixed LF and CRLF line ends" : lf ? "LF line ends" : crlf ? "CRLF line ends"
                                                                                            : "one line";
    return std::string(byteOrderMark ? "UTF-8 with a byte-order mark" : "UTF-8") + ", " + ends;
}

// Why a UTF-8 script cannot be converted: the line, the column and the
// character with no form in code page 949.
static void ReportUnconvertible(const std::string& path, const std::string& text, std::size_t offset) {
    unsigned long codePoint = 0;
    std::string character = CharacterAt(text, offset, codePoint);
    TextPlace place = PlaceOfUtf8Offset(text, offset);
    std::fprintf(stderr,
                 "qpk convert: %s:%d:%d: \"%s\" (U+%04lX) has no form in code page 949, in which the program reads "
                 "the script: write it otherwise (the player could not see it either); nothing changed\n",
                 path.c_str(), place.line, place.column, character.c_str(), codePoint);
}

static int ConvertUtf8Script(const fs::path& path, const std::string& bytes) {
    bool byteOrderMark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::string text = byteOrderMark ? bytes.substr(3) : bytes;
    std::string crlf = WithCrlfLineEnds(text), cp949;
    std::size_t failedOffset = 0;
    if (!Utf8ToCp949(crlf, cp949, &failedOffset)) {
        ReportUnconvertible(path.string(), crlf, failedOffset);
        return 2;
    }
    struct stat info {};
    mode_t mode = stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
    std::string temporary = path.string() + ".convert-" + std::to_string(getpid());
    if (!WriteNewFile(temporary, cp949, mode)) {
        std::fprintf(stderr, "qpk convert: %s: %s; nothing changed\n", temporary.c_str(), std::strerror(errno));
        return 2;
    }
    std::string backup = FreeBackupPath(fs::absolute(path));
    if (backup.empty() || !WriteNewFile(backup, bytes, mode)) {
        std::fprintf(stderr, "qpk convert: %s: %s; nothing changed\n",
                     backup.empty() ? (path.string() + ": every backup name up to .99.bak").c_str() : backup.c_str(),
                     backup.empty() ? "taken" : std::strerror(errno));
        unlink(temporary.c_str());
        return 2;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "qpk convert: %s: %s; nothing changed (the copy %s stays)\n", path.c_str(),
                     std::strerror(errno), backup.c_str());
        unlink(temporary.c_str());
        return 2;
    }
    std::printf("%s: converted from %s to code page 949 with CRLF line ends; the original is kept as %s\n",
                path.c_str(), FormOf(byteOrderMark, text).c_str(), backup.c_str());
    return 0;
}

int ConvertCommand(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        bool help = args.size() == 1 && (args[0] == "--help" || args[0] == "-h");
        std::fputs("usage: qpk convert <Setup.ini>\n", help ? stdout : stderr);
        return help ? 0 : 2;
    }
    fs::path path = args[0];
    std::string bytes;
    std::error_code error;
    if (!fs::is_regular_file(path, error) || !ReadWholeFile(path.string(), bytes)) {
        std::fprintf(stderr, "qpk convert: %s: not a file that can be read\n", path.c_str());
        return 2;
    }
    std::size_t badOffset = 0;
    switch (ClassifyScriptBytes(bytes, &badOffset)) {
    case ScriptEncoding::Utf8: return ConvertUtf8Script(path, bytes);
    case ScriptEncoding::Cp949:
        std::printf("%s: already code page 949 (or plain ASCII): nothing changed\n", path.c_str());
        return 0;
    case ScriptEncoding::NotCp949: break;
    }
    std::fprintf(stderr,
                 "qpk convert: %s: neither UTF-8 nor code page 949: byte %zu (line %d) is no code page 949; "
                 "save the file as UTF-8 or code page 949 first; nothing changed\n",
                 path.c_str(), badOffset, PlaceOfUtf8Offset(bytes, badOffset).line);
    return 2;
}
