// Registry entries. Stand-in: writes nothing.
#include "shell/setup.h"

void WriteRegistryEntries() {}
