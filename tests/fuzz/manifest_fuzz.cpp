// The package manifest: any bytes give either a whole list of names that stay
// below the install folder or a refusal with an empty list, without reading
// past the data or allocating from the stored count.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "checks/disk_space_rules.h"
#include "fuzz_input.h"
#include "install/manifest_rules.h"

static std::uint32_t Uint32At(const uint8_t* data) {
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

static void CheckDecodedList(const ManifestResult& result, const std::vector<std::string>& list, size_t size) {
    for (const std::string& name : list) {
        FUZZ_REQUIRE(name.size() < kMaxNameLength && name.find('\0') == std::string::npos);
        FUZZ_REQUIRE(CheckRelativeName(name) == NameProblem::None);
    }
    const std::uint32_t expected = result.entryCount > 0 ? static_cast<std::uint32_t>(result.entryCount) : 0;
    FUZZ_REQUIRE(list.size() == expected && result.entriesRead == expected);
    FUZZ_REQUIRE(result.entryOffset <= size);
    FUZZ_REQUIRE(ManifestErrorText(result).empty());
}

static void CheckRefusal(const ManifestResult& result, const std::vector<std::string>& list, size_t size) {
    FUZZ_REQUIRE(list.empty());
    FUZZ_REQUIRE(!ManifestErrorText(result).empty());
    if (result.error == ManifestError::ShortHeader) {
        FUZZ_REQUIRE(size < kManifestHeaderSize);
        return;
    }
    FUZZ_REQUIRE(result.entryCount > 0);
    FUZZ_REQUIRE(result.entryNumber >= 1 && result.entryNumber <= static_cast<std::uint32_t>(result.entryCount));
    FUZZ_REQUIRE(result.entriesRead + 1 == result.entryNumber);
    FUZZ_REQUIRE(result.entryOffset < size || result.error == ManifestError::ShortEntry);
    if (result.error == ManifestError::BadName) FUZZ_REQUIRE(result.nameProblem != NameProblem::None);
}

// The encoder writes the decoded list as a manifest that reads back as the
// same total and names, and writes that again as the same bytes.
static void CheckRoundTrip(const ManifestResult& result, const std::vector<std::string>& names) {
    std::string bytes = EncodeManifest(result.totalSize, names);
    size_t position = 0;
    ReadBytes read = [&](unsigned char* buffer, size_t wanted) {
        size_t given = std::min(wanted, bytes.size() - position);
        if (given) std::memcpy(buffer, bytes.data() + position, given);
        position += given;
        return given;
    };
    std::vector<std::string> namesAgain;
    ManifestResult reread = DecodeManifest(read, namesAgain);
    FUZZ_REQUIRE(reread.error == ManifestError::None && reread.totalSize == result.totalSize);
    FUZZ_REQUIRE(position == bytes.size());
    FUZZ_REQUIRE(namesAgain == names);
    FUZZ_REQUIRE(EncodeManifest(reread.totalSize, namesAgain) == bytes);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t position = 0;
    ReadBytes read = [&](unsigned char* buffer, size_t wanted) {
        size_t given = std::min(wanted, size - position);
        if (given) std::memcpy(buffer, data + position, given);
        position += given;
        return given;
    };
    std::vector<std::string> list;
    ManifestResult result = DecodeManifest(read, list);
    FUZZ_REQUIRE(position <= size);
    if (result.error == ManifestError::None) {
        CheckDecodedList(result, list, size);
        CheckRoundTrip(result, list);
        // Every name that passes the path check fits both of its paths.
        std::string offending;
        if (CheckPackagePaths(list, "D:\\", "C:\\Games\\Quorin", offending) == PackagePaths::Fit) {
            std::string joined;
            for (const std::string& name : list) FUZZ_REQUIRE(JoinPath("C:\\Games\\Quorin", name, joined));
        } else {
            FUZZ_REQUIRE(!offending.empty());
        }
    } else {
        CheckRefusal(result, list, size);
    }
    position = 0;
    std::uint32_t totalSize = 0;
    const bool haveTotal = DecodeTotalSize(read, totalSize);
    FUZZ_REQUIRE(haveTotal == (size >= 4));
    if (haveTotal) FUZZ_REQUIRE(totalSize == Uint32At(data));
    return 0;
}
