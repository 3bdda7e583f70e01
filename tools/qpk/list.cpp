// qpk list: what a manifest holds, or where it is defective; qpk bench: how
// the reading time grows with the number of entries.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "qpk.h"

static ReadBytes ReaderOver(const std::string& data, std::size_t& position) {
    return [&data, &position](unsigned char* buffer, std::size_t size) {
        std::size_t n = std::min(size, data.size() - position);
        std::memcpy(buffer, data.data() + position, n);
        position += n;
        return n;
    };
}

static std::string DefectEnglish(const ManifestResult& result) {
    std::string where = "entry " + std::to_string(result.entryNumber) + " at offset " +
                        std::to_string(result.entryOffset) + ": ";
    switch (result.error) {
    case ManifestError::ShortHeader: return "the file is shorter than its 8-byte header";
    case ManifestError::ShortEntry:
        return where + "the file ends before the " + std::to_string(result.entryCount) + " entries it announces";
    case ManifestError::ZeroNameLength: return where + "name length 0";
    case ManifestError::NameLengthTooLarge:
        return where + "name length " + std::to_string(result.nameLength) + " is above 260";
    case ManifestError::NameNotTerminated: return where + "no zero byte ends the name";
    case ManifestError::BadName:
        return where + "name \"" + PrintableName(result.name) + "\": " + NameProblemEnglish(result.nameProblem);
    case ManifestError::CannotOpen:
    case ManifestError::None: break;
    }
    return "";
}

static void PrintNames(const std::vector<std::string>& names) {
    for (const std::string& name : names) std::printf("%s\n", PrintableName(name).c_str());
}

// The entries before a defect, read from a copy whose count stops there.
static void PrintEntriesBefore(const std::string& data, const ManifestResult& result) {
    if (result.entryNumber < 2) return;
    std::string head = data.substr(0, static_cast<std::size_t>(result.entryOffset));
    std::uint32_t good = result.entryNumber - 1;
    for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<char>((good >> (8 * i)) & 0xFF);
    std::size_t position = 0;
    std::vector<std::string> names;
    DecodeManifest(ReaderOver(head, position), names);
    PrintNames(names);
}

int ListCommand(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs("usage: qpk list <manifest>\n", stderr);
        return 2;
    }
    std::ifstream in(args[0], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "qpk: cannot open %s\n", args[0].c_str());
        return 1;
    }
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t position = 0;
    std::vector<std::string> names;
    ManifestResult result = DecodeManifest(ReaderOver(data, position), names);
    if (result.error != ManifestError::ShortHeader) {
        std::printf("total %u bytes\n", result.totalSize);
        std::printf("count %d%s\n", result.entryCount, result.entryCount < 0 ? " (no files)" : "");
    }
    if (result.error != ManifestError::None) {
        PrintEntriesBefore(data, result);
        std::fprintf(stderr, "qpk: %s: defect: %s\n", args[0].c_str(), DefectEnglish(result).c_str());
        return 1;
    }
    PrintNames(names);
    if (position < data.size()) std::printf("(%zu bytes after the last entry are ignored)\n", data.size() - position);
    return 0;
}

static std::string GeneratedManifest(std::uint32_t entries) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < entries; ++i) names.push_back("data\\f" + std::to_string(i) + ".dat");
    return EncodeManifest(0, names);
}

int BenchCommand(const std::vector<std::string>& args) {
    std::uint32_t largest = args.empty() ? 1000000 : static_cast<std::uint32_t>(std::stoul(args[0]));
    std::printf("%10s %12s %12s %12s\n", "entries", "bytes", "read ms", "ns/entry");
    for (std::uint32_t entries = 1000; entries <= largest; entries *= 10) {
        std::string data = GeneratedManifest(entries);
        std::size_t position = 0;
        std::vector<std::string> names;
        auto start = std::chrono::steady_clock::now();
        ManifestResult result = DecodeManifest(ReaderOver(data, position), names);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (result.error != ManifestError::None || result.entriesRead != entries) return 1;
        std::printf("%10u %12zu %12.2f %12.1f\n", entries, data.size(), ms, ms * 1e6 / entries);
    }
    return 0;
}
