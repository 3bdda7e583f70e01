// Decisions of the disk-space check: the drive root, the 64-bit byte figures,
// whether every package file fits its path buffers below the chosen folder,
// and the texts shown to the user. Portable: no Windows headers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/setup_state_rules.h"

// Space kept free beyond what the files need.
constexpr std::uint64_t kSpaceMargin = 2000000;

// The first three characters of the install folder ("C:\"), fewer when it is shorter.
std::string DriveRoot(const std::string& installDir);

// Sectors per cluster x bytes per sector x free clusters, without wrapping.
std::uint64_t FreeBytes(std::uint32_t sectorsPerCluster, std::uint32_t bytesPerSector, std::uint32_t freeClusters);

// The manifest's total size plus the sizes of the first `count` shared-file
// records (none when count is 0 or less).
std::uint64_t SumRequiredBytes(std::uint32_t totalSize, const std::uint32_t* sharedSizes, int count);

// The message when the install folder does not lie on a fixed disk ("공지").
constexpr const char kNotFixedDiskText[] = "하드디스크를 지정하십시요.";
// A folder that cannot be used ends the installation with this (설치 오류);
// so does a refused folder where no folder dialog lets the player choose another.
constexpr const char kUnusableFolderText[] = "설치를 중단합니다.\n다음에 다시 시도하십시요.";

// The caption of the question when the disk has too little room: OK chooses
// again, Cancel ends.
constexpr const char kDiskSpaceCaption[] = "공간 부족";

// Whether the disk has room: equality is enough. When the free-space query
// failed the figures are unknown and the check does not stand in the way;
// a disk that then fills up is reported by the copy, file by file.
bool HasEnoughSpace(bool figuresKnown, std::uint64_t freeBytes, std::uint64_t requiredBytes);

// "권장 용량: <required> bytes\n남은 용량: <free> bytes\n\n공간을 더 확보하십시요."
// with the real decimal figures.
std::string DiskSpaceText(std::uint64_t requiredBytes, std::uint64_t freeBytes);

enum class PackagePaths { Fit, SourceTooLong, InstallTooLong };

// Whether every listed file fits a 260-byte buffer both as source folder +
// name and as install folder + "\" + name; `offending` receives the first
// name that does not.
PackagePaths CheckPackagePaths(const std::vector<std::string>& names, const std::string& sourceFolder,
                               const std::string& installDir, std::string& offending);

// What the folder stage does when the chosen folder is too long for a file:
// with the folder dialog shown (Change Path 1) the user chooses again;
// otherwise the folder comes from the script and the installation ends.
DiskVerdict LongInstallFolderResult(int changePath);

// The messages for the two ways a path does not fit. A folder the user can
// choose again gets a notice ("공지"); one from the script ends the
// installation with an error ("설치 오류").
std::string InstallFolderTooLongText(const std::string& name, int changePath);
bool InstallFolderTooLongIsError(int changePath);
std::string SourcePathTooLongText(const std::string& name);
