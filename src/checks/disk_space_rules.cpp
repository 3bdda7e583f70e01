#include "checks/disk_space_rules.h"

#include "install/copy_rules.h"

std::string DriveRoot(const std::string& installDir) {
    return installDir.substr(0, 3);
}

std::uint64_t FreeBytes(std::uint32_t sectorsPerCluster, std::uint32_t bytesPerSector, std::uint32_t freeClusters) {
    return static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
}

std::uint64_t SumRequiredBytes(std::uint32_t totalSize, const std::uint32_t* sharedSizes, int count) {
    std::uint64_t sum = totalSize;
    for (int i = 0; i < count; ++i) sum += sharedSizes[i];
    return sum;
}

bool HasEnoughSpace(bool figuresKnown, std::uint64_t freeBytes, std::uint64_t requiredBytes) {
    return !figuresKnown || freeBytes >= requiredBytes;
}

std::string DiskSpaceText(std::uint64_t requiredBytes, std::uint64_t freeBytes) {
    return "권장 용량: " + std::to_string(requiredBytes) + " bytes\n남은 용량: " + std::to_string(freeBytes) +
           " bytes\n\n공간을 더 확보하십시요.";
}

PackagePaths CheckPackagePaths(const std::vector<std::string>& names, const std::string& sourceFolder,
                               const std::string& installDir, std::string& offending) {
    std::string path;
    for (const std::string& name : names) {
        if (!JoinPath(sourceFolder, name, path)) {
            offending = name;
            return PackagePaths::SourceTooLong;
        }
        if (!JoinPath(installDir, name, path)) {
            offending = name;
            return PackagePaths::InstallTooLong;
        }
    }
    return PackagePaths::Fit;
}

DiskVerdict LongInstallFolderResult(int changePath) {
    return InstallFolderTooLongIsError(changePath) ? DiskVerdict::PackageUnusable : DiskVerdict::ChooseAgain;
}

bool InstallFolderTooLongIsError(int changePath) {
    return changePath != 1;
}

std::string InstallFolderTooLongText(const std::string& name, int changePath) {
    std::string text = "설치 폴더의 경로가 너무 길어 다음 파일을 설치할 수 없습니다.\n" + name + "\n";
    return text + (InstallFolderTooLongIsError(changePath) ? "설치를 중단합니다." : "더 짧은 폴더를 지정하십시요.");
}

std::string SourcePathTooLongText(const std::string& name) {
    return "설치 파일의 경로가 너무 깁니다.\n" + name + "\n" + PathTooLongText() + "\n설치를 중단합니다.";
}
