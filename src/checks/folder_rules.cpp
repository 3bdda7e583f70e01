#include "checks/folder_rules.h"

#include <vector>

#include "common/script_rules.h"
#include "common/text_rules.h"

std::string TrimTrailingBackslash(const std::string& folder) {
    std::size_t n = folder.size();
    if (n > 2 && folder[n - 1] == '\\' && folder[n - 2] != ':') return folder.substr(0, n - 1);
    return folder;
}

FolderEntry AcceptFolderEntry(const std::string& typed, std::string& folder) {
    if (typed.size() > kPathSize - 1) return FolderEntry::TooLong;
    folder = TrimTrailingBackslash(typed);
    return FolderEntry::Accepted;
}

bool DefaultPathFits(const std::string& value) {
    return value.size() < kDefaultPathCapacity;
}

std::string DefaultPathTooLongText() {
    return "설치 정보 파일(Setup.ini)의 [Main] Default Path 값이 너무 깁니다. (최대 " +
           std::to_string(kDefaultPathCapacity - 1) + "바이트)\n설치를 중단합니다.";
}

// The format's text between its "%s" placeholders: pieces[0] before the
// first, pieces[1] between them, pieces[2] after the second ("%%" already
// turned into "%"); a third "%s" and beyond stand for nothing.
static std::vector<std::string> FormatPieces(const std::string& format) {
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (pieces.size() < 3) pieces.emplace_back();
            ++i;
        } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            pieces.back() += '%';
            ++i;
        } else {
            pieces.back() += format[i];
        }
    }
    return pieces;
}

std::string FormatIntroText(const std::string& format, const std::string& productName,
                            const std::string& productVersion, std::size_t size) {
    if (size == 0) return "";
    std::vector<std::string> pieces = FormatPieces(format);
    std::string fixed;
    for (const std::string& piece : pieces) fixed += piece;
    if (fixed.size() > size - 1) return CutText(fixed, size - 1);
    std::size_t room = size - 1 - fixed.size();
    std::string name = pieces.size() > 1 ? productName : "";
    std::string version = pieces.size() > 2 ? productVersion : "";
    if (version.size() > room) version = CutText(version, room);
    if (name.size() + version.size() > room) name = CutText(name, room - version.size());
    std::string text = pieces[0];
    if (pieces.size() > 1) text += name + pieces[1];
    if (pieces.size() > 2) text += version + pieces[2];
    return text;
}
