// Post-install programs. Stand-in: starts nothing.
#include "shell/setup.h"

void RunPostInstallPrograms() {}
