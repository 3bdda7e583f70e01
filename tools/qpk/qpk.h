// qpk: prepares and inspects the package manifest "Quorin.qpk" of an
// installation medium.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr std::uint32_t kDefaultClusterSize = 4096;

// UTF-8 (the file system's names) to code page 949 and back; false when the
// text has no form in the other code page (failedOffset: the byte of utf8
// where the conversion stopped).
bool Utf8ToCp949(const std::string& utf8, std::string& cp949, std::size_t* failedOffset = nullptr);
bool Cp949ToUtf8(const std::string& cp949, std::string& utf8);

// A manifest name for the terminal: UTF-8 where it converts, \xNN otherwise.
std::string PrintableName(const std::string& cp949);

int BuildCommand(const std::vector<std::string>& args);
int ListCommand(const std::vector<std::string>& args);
int BenchCommand(const std::vector<std::string>& args);
int CheckCommand(const std::vector<std::string>& args);
int PlanCommand(const std::vector<std::string>& args);
int TryCommand(const std::vector<std::string>& args);
int IsoCommand(const std::vector<std::string>& args);
int ConvertCommand(const std::vector<std::string>& args);

// The manifest `qpk build <folder>` would write, in memory; `excluded` names
// (relative, either slash) are left out besides Setup.exe/ini and Quorin.qpk.
bool ManifestOfFolder(const std::string& folder, const std::vector<std::string>& excluded, std::uint64_t cluster,
                      std::string& bytes);

// English descriptions of what the setup program refuses, for the tool's messages.
#include "install/manifest_rules.h"
std::string NameProblemEnglish(NameProblem problem);
