// Backdrop painting. Stand-in until the colour and title lines are drawn:
// the background is left to the black fill of the window procedure.
#include "shell/setup.h"

int PaintBackdrop(HWND, HDC) { return 0; }

void PaintTitleLines(HDC) {}
