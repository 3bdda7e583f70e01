// Reading a medium folder for `qpk check` and `qpk plan`, and printing the
// program's byte texts (code page 949) as UTF-8.
#pragma once
#include <string>
#include <vector>

#include "medium/medium_rules.h"

struct MediumOptions {
    std::string folder;
    bool json = false;
    bool scriptWasUtf8 = false;  // set by ReadMediumFolder
    MediumContext context;       // paths in code page 949
};

// Parses "<folder> [--json] [--install-dir P] [--source-folder P] [--windows-dir P]
// [--system-dir P] [--programs P] [--desktop P] [--cluster N] [--installed-version N]
// [--installed-path P] [--folder-exists | --folder-missing] [--answer Q=yes|no]...";
// false, with a message, on a bad argument.
bool ParseMediumOptions(const std::vector<std::string>& args, MediumOptions& options);

// Reads Setup.ini (UTF-8 is detected and converted to code page 949),
// Quorin.qpk (or the manifest `qpk build` would write when there is none)
// and the sizes of every file. False, with a message, when the folder cannot
// be read.
bool ReadMediumFolder(MediumOptions& options, Medium& medium);

// The shared files of a script's [Shared File] (UTF-8), which `qpk build`
// is told to leave out of the manifest.
std::vector<std::string> SharedFileNames(const std::string& script);

// A code page 949 text as UTF-8 (bytes with no form as \xNN).
std::string Utf8Of(const std::string& cp949);

// A JSON string literal of a code page 949 text.
std::string JsonString(const std::string& cp949);

std::string HexBytes(const std::vector<unsigned char>& bytes);

// The whole content of a file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
