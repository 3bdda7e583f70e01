// Version record. Stand-in: nothing installed earlier, nothing recorded.
#include "shell/setup.h"

int CheckInstalledVersion() { return 1; }

void RecordInstalledVersion() {}
