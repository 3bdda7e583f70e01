// The disk-space check: the install folder must lie on a fixed disk with room
// for the package files, the shared files and a margin, and every package
// file must fit its path buffers there.
#include <string>
#include <vector>

#include "checks/checks.h"
#include "checks/disk_space_rules.h"
#include "common/script_rules.h"
#include "install/manifest.h"

// The manifest must be whole and every file must fit its paths below the
// chosen folder before anything is written; kDiskEnough when it does.
static int CheckPackageFits() {
    FileList list;
    ManifestResult manifest;
    if (!ReadPackageManifest(list, manifest)) {
        ShowManifestError(manifest);
        return kDiskPackageUnusable;
    }
    char sourceFolder[kPathSize];
    GetSourceFolder(sourceFolder);
    std::string name;
    switch (CheckPackagePaths(list, sourceFolder, g_installDir, name)) {
    case PackagePaths::Fit: return kDiskEnough;
    case PackagePaths::SourceTooLong:
        MessageBoxA(nullptr, SourcePathTooLongText(name).c_str(), kScriptErrorCaption, MB_ICONERROR);
        return kDiskPackageUnusable;
    case PackagePaths::InstallTooLong:
        if (InstallFolderTooLongIsError(g_changePath))
            MessageBoxA(nullptr, InstallFolderTooLongText(name, g_changePath).c_str(), kScriptErrorCaption, MB_ICONERROR);
        else
            MessageBoxA(nullptr, InstallFolderTooLongText(name, g_changePath).c_str(), kNoticeCaption, MB_ICONINFORMATION);
        return LongInstallFolderResult(g_changePath);
    }
    return kDiskPackageUnusable;
}

int CheckDiskSpace() {
    std::string root = DriveRoot(g_installDir);
    if (GetDriveTypeA(root.c_str()) != DRIVE_FIXED) {
        MessageBoxA(nullptr, "하드디스크를 지정하십시요.", kNoticeCaption, MB_ICONINFORMATION);
        return kDiskChooseAgain;
    }
    int fits = CheckPackageFits();
    if (fits != kDiskEnough) return fits;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    bool known = GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters);
    std::uint64_t freeBytes = FreeBytes(sectorsPerCluster, bytesPerSector, freeClusters);
    std::uint64_t requiredBytes = GetRequiredBytes() + kSpaceMargin;
    if (HasEnoughSpace(known, freeBytes, requiredBytes)) return kDiskEnough;
    int answer = MessageBoxA(nullptr, DiskSpaceText(requiredBytes, freeBytes).c_str(), "공간 부족",
                             MB_OKCANCEL | MB_ICONINFORMATION);
    return answer == IDOK ? kDiskTooSmallRetry : kDiskTooSmallQuit;
}

ULONGLONG GetRequiredBytes() {
    std::vector<std::uint32_t> sharedSizes;
    for (int i = 0; i < g_sharedFileCount; ++i) sharedSizes.push_back(g_sharedFiles[i].size);
    return SumRequiredBytes(ReadManifestTotalSize(), sharedSizes.data(), g_sharedFileCount);
}
