// The reader step of the package manifest "Quorin.qpk" in the source folder,
// used by the disk-space check and the copy loop.
#pragma once
#include <windows.h>

#include "install/manifest_rules.h"

// Reads the whole manifest into an empty list. False, with the defect in
// result (ManifestError::CannotOpen when the file could not be opened) and
// the list empty, when any part of it cannot be used.
bool ReadPackageManifest(FileList& list, ManifestResult& result);

// The manifest's first field, the bytes the package files need; 0 when the
// manifest cannot be opened or holds fewer than 4 bytes.
DWORD ReadManifestTotalSize();

// Tells the user why the package cannot be installed ("설치 오류").
void ShowManifestError(const ManifestResult& result);
