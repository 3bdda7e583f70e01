// The system DLLs that Windows does not keep in its known-DLL set (the
// version API, the common controls) are not imported: the program loads
// them from the system folder at start and calls them through these
// pointers. Everything else it imports is a known DLL, which Windows never
// looks for beside the program.
#pragma once
#include <windows.h>

struct VersionFunctions {
    decltype(&::VerInstallFileA) m_verInstallFile = nullptr;
    decltype(&::GetFileVersionInfoSizeA) m_getFileVersionInfoSize = nullptr;
    decltype(&::GetFileVersionInfoA) m_getFileVersionInfo = nullptr;
    decltype(&::VerQueryValueA) m_verQueryValue = nullptr;
    decltype(&::VerLanguageNameA) m_verLanguageName = nullptr;
};

extern VersionFunctions g_version;

// A function of kernel32 that older Windows may lack, looked up at run time;
// null where this Windows has none.
template <typename Function>
Function KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)))
                             : nullptr;
}

// The attributes and last-write time of an open file or folder. Read as the
// basic information alone where Windows has GetFileInformationByHandleEx:
// GetFileInformationByHandle also asks for the volume's information, which
// costs more than the copy of a small file.
bool ReadHandleBasics(HANDLE file, DWORD& attributes, FILETIME& lastWrite);

// Keeps every later DLL search of the process (the program's, the shell's,
// COM's) to the system folder where Windows can (SetDefaultDllDirectories),
// and takes the current folder out of the search everywhere.
void RestrictDllSearch();

// Turns on redirection trust where Windows has it (Windows 11, and Windows 10
// from its 2022 updates): the process then does not follow a junction or
// mount point that a non-administrator made, wherever it lies. Nothing
// changes where the policy or SetProcessMitigationPolicy is missing.
void EnforceRedirectionTrust();

// Loads version.dll and comctl32.dll from the system folder and registers the
// progress bar's class. False after telling the user which file failed.
bool LoadSystemLibraries();
