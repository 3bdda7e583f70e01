// Texts of the program's own start, before the backdrop: what it says when a
// system file it needs cannot be loaded. Portable: no Windows headers.
#pragma once
#include <string>

// The message for a system DLL (or one of its functions) that could not be
// loaded from the system folder: names the file and the system's error code.
std::string SystemLibraryErrorText(const std::string& what, unsigned long error);
