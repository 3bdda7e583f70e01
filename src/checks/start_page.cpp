// Start-page offer. Stand-in: offers nothing.
#include "shell/setup.h"

void OfferStartPage() {}
