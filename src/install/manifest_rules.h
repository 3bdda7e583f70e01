// The package manifest "Quorin.qpk" and the list of package files read from
// it. Format, all integers 32-bit little-endian:
//   total size (unsigned): bytes the package files need on disk
//   entry count (signed): entries that follow; 0 or less: no files
//   entries: name length (unsigned, terminating zero included, 1..260),
//            then that many name bytes
// Portable: no Windows headers, no I/O of its own; bytes come through a reader.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "install/copy_rules.h"

constexpr std::uint32_t kMaxNameLength = 260;  // the name buffer, zero included
constexpr std::size_t kManifestHeaderSize = 8;

enum class ManifestError {
    None,
    CannotOpen,          // the file could not be opened (set by the reader step)
    ShortHeader,         // fewer than 8 bytes
    ShortEntry,          // the data ends before the entry count is reached
    ZeroNameLength,      // a name length of 0
    NameLengthTooLarge,  // a name length above 260
    NameNotTerminated,   // no zero byte within the counted name bytes
    BadName,             // a name that would leave the install folder, etc.
};

struct ManifestResult {
    ManifestError error = ManifestError::None;
    std::uint32_t totalSize = 0;  // valid once the header was read
    std::int32_t entryCount = 0;  // as stored, sign included
    std::uint32_t entriesRead = 0;
    // Where a defect lies: the 1-based entry and the offset of its length field.
    std::uint32_t entryNumber = 0;
    std::uint64_t entryOffset = 0;  // after a whole manifest: the bytes it used
    std::uint32_t nameLength = 0;
    NameProblem nameProblem = NameProblem::None;
    std::string name;  // the offending name, for BadName
};

// Fills buffer with up to size bytes and returns how many it gave; fewer than
// size only at the end of the data.
using ReadBytes = std::function<std::size_t(unsigned char* buffer, std::size_t size)>;

// The first problem of a name a manifest may list: the rule of every relative
// name, and no part named as the copy in progress (the copy would take such a
// file for a killed run's leftover). What Setup.exe refuses and what
// `qpk build` will not write.
NameProblem CheckManifestName(const std::string& name);

// Reads a whole manifest into names (which must be empty), the package files
// in copy order. A manifest with any defect is refused as a whole: the result
// names the defect and names is left empty. Room is taken only for names
// whose bytes have been read, never ahead of an untrusted count. Bytes after
// the last entry are not read.
ManifestResult DecodeManifest(const ReadBytes& read, std::vector<std::string>& names);

// Only the total size: the first 4 bytes. False when fewer are available.
bool DecodeTotalSize(const ReadBytes& read, std::uint32_t& totalSize);

// A 32-bit number as the format stores it (little-endian).
std::string EncodeUint32(std::uint32_t value);

// The manifest of `names` in this order with `totalSize`: what DecodeManifest
// reads back as the same total and names. The caller keeps to the format's
// limits (names of 1..259 bytes without a zero byte, at most 0x7FFFFFFF).
std::string EncodeManifest(std::uint32_t totalSize, const std::vector<std::string>& names);

// The message that tells the user why the package cannot be installed.
std::string ManifestErrorText(const ManifestResult& result);
