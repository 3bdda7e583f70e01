// Creation of the folders of a relative path below a base folder.
// Stand-in: creates nothing.
#include "shell/setup.h"

void CreateSubfolders(const char*, char*) {}
