#include "install/manifest_rules.h"

#include <cstring>

#include "install/partial_copy_rules.h"

NameProblem CheckManifestName(const std::string& name) {
    const NameProblem problem = CheckRelativeName(name);
    if (problem == NameProblem::None && NameHoldsPartialCopyName(name)) return NameProblem::PartialCopyName;
    return problem;
}

static bool ReadUint32(const ReadBytes& read, std::uint32_t& value) {
    unsigned char bytes[4];
    if (read(bytes, sizeof bytes) != sizeof bytes) return false;
    value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
            static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

bool DecodeTotalSize(const ReadBytes& read, std::uint32_t& totalSize) {
    return ReadUint32(read, totalSize);
}

// Reads one entry at result.entryOffset and appends it; false with
// result.error set on a defect.
static bool DecodeEntry(const ReadBytes& read, std::vector<std::string>& names, ManifestResult& result) {
    std::uint32_t length = 0;
    if (!ReadUint32(read, length)) {
        result.error = ManifestError::ShortEntry;
        return false;
    }
    result.nameLength = length;
    if (length == 0) result.error = ManifestError::ZeroNameLength;
    else if (length > kMaxNameLength) result.error = ManifestError::NameLengthTooLarge;
    if (result.error != ManifestError::None) return false;

    unsigned char bytes[kMaxNameLength];
    if (read(bytes, length) != length) {
        result.error = ManifestError::ShortEntry;
        return false;
    }
    const void* zero = std::memchr(bytes, 0, length);
    if (!zero) {
        result.error = ManifestError::NameNotTerminated;
        return false;
    }
    std::string name(reinterpret_cast<const char*>(bytes), static_cast<const unsigned char*>(zero) - bytes);
    result.nameProblem = CheckManifestName(name);
    if (result.nameProblem != NameProblem::None) {
        result.error = ManifestError::BadName;
        result.name = name;
        return false;
    }
    names.push_back(name);
    result.entryOffset += 4 + length;
    return true;
}

ManifestResult DecodeManifest(const ReadBytes& read, std::vector<std::string>& names) {
    ManifestResult result;
    std::uint32_t count = 0;
    if (!ReadUint32(read, result.totalSize) || !ReadUint32(read, count)) {
        result.error = ManifestError::ShortHeader;
        return result;
    }
    result.entryCount = static_cast<std::int32_t>(count);
    result.entryOffset = kManifestHeaderSize;
    for (std::int32_t i = 0; i < result.entryCount; ++i) {
        result.entryNumber = static_cast<std::uint32_t>(i) + 1;
        if (!DecodeEntry(read, names, result)) {
            names.clear();
            return result;
        }
        result.entriesRead = result.entryNumber;
    }
    result.entryNumber = 0;
    result.nameLength = 0;
    return result;
}

// "<n>번째 항목(오프셋 <offset>)" locates a defect for the person who made the medium.
static std::string EntryPlace(const ManifestResult& result) {
    return std::to_string(result.entryNumber) + "번째 항목(오프셋 " + std::to_string(result.entryOffset) + ")";
}

static std::string DefectText(const ManifestResult& result) {
    switch (result.error) {
    case ManifestError::ShortHeader: return "파일 목록이 8바이트보다 짧습니다.";
    case ManifestError::ShortEntry:
        return "항목 수는 " + std::to_string(result.entryCount) + "개인데 " + EntryPlace(result) +
               "에서 파일 목록이 끝납니다.";
    case ManifestError::ZeroNameLength: return EntryPlace(result) + "의 이름 길이가 0입니다.";
    case ManifestError::NameLengthTooLarge:
        return EntryPlace(result) + "의 이름 길이 " + std::to_string(result.nameLength) + "이(가) 260을 넘습니다.";
    case ManifestError::NameNotTerminated: return EntryPlace(result) + "의 이름이 0 바이트로 끝나지 않습니다.";
    case ManifestError::BadName:
        return EntryPlace(result) + "의 이름 " + result.name + "\n" + NameProblemText(result.nameProblem);
    case ManifestError::None:
    case ManifestError::CannotOpen: break;
    }
    return "";
}

std::string ManifestErrorText(const ManifestResult& result) {
    if (result.error == ManifestError::None) return "";
    if (result.error == ManifestError::CannotOpen)
        return "설치 파일 목록(Quorin.qpk)을 열 수 없습니다.\n설치를 중단합니다.";
    return "설치 파일 목록(Quorin.qpk)이 잘못되었습니다.\n" + DefectText(result) + "\n설치를 중단합니다.";
}

std::string EncodeUint32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string EncodeManifest(std::uint32_t totalSize, const std::vector<std::string>& names) {
    std::string bytes = EncodeUint32(totalSize) + EncodeUint32(static_cast<std::uint32_t>(names.size()));
    for (const std::string& name : names) {
        bytes += EncodeUint32(static_cast<std::uint32_t>(name.size() + 1));
        bytes += name;
        bytes += '\0';
    }
    return bytes;
}
