// The program-wide state, one definition each.
#include "common/setup_state.h"

SetupState g_state;
HINSTANCE g_hInstance;
