// The reader step of the package manifest "Quorin.qpk" in the source folder,
// used by the disk-space check of the folder stage and by the copy.
#pragma once
#include <string>
#include <vector>

#include "install/manifest_rules.h"

// Reads the whole manifest into an empty list of names. A result with an
// error (ManifestError::CannotOpen when the file could not be opened) leaves
// the list empty.
ManifestResult ReadPackageManifest(std::vector<std::string>& names);
