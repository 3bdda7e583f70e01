// Where the program's code comes from. Setup.exe runs with administrator
// rights from wherever the player unpacked it, often a download folder
// holding anything else, and later works in the install folder, which holds
// the package's own DLLs. It imports only DLLs that Windows keeps in its
// known-DLL set; the version API and the common controls are loaded here from
// the system folder, and every later search by name (the shell's, COM's) is
// kept to the system folder.
#include "common/system_libraries.h"

#include <commctrl.h>  // after <windows.h>, which it needs

#include <string>

#include "common/script_rules.h"
#include "common/startup_rules.h"

VersionFunctions g_version;

// True when the loader takes the LOAD_LIBRARY_SEARCH_* flags: Windows 8 and
// later, Windows 7 and Vista with the update that adds SetDefaultDllDirectories.
static bool g_searchFlagsWork = false;

void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    auto setDefaultDirectories = KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    g_searchFlagsWork = setDefaultDirectories != nullptr && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // An empty folder takes the current folder out of the standard search
    // (Windows XP SP1 and later), for the Windows without the call above.
    auto setDllDirectory = KernelFunction<SetDllDirectoryFn>("SetDllDirectoryA");
    if (setDllDirectory != nullptr) setDllDirectory("");
}

bool ReadHandleBasics(HANDLE file, DWORD& attributes, FILETIME& lastWrite) {
    using GetFileInformationByHandleExFn = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
    const int fileBasicInfo = 0;  // FILE_INFO_BY_HANDLE_CLASS FileBasicInfo
    static const auto getInformation = KernelFunction<GetFileInformationByHandleExFn>("GetFileInformationByHandleEx");
    if (getInformation != nullptr) {
        struct {
            LARGE_INTEGER m_creationTime, m_lastAccessTime, m_lastWriteTime, m_changeTime;
            DWORD m_fileAttributes;
        } basic;
        if (!getInformation(file, fileBasicInfo, &basic, sizeof basic)) return false;
        attributes = basic.m_fileAttributes;
        lastWrite.dwLowDateTime = basic.m_lastWriteTime.LowPart;
        lastWrite.dwHighDateTime = static_cast<DWORD>(basic.m_lastWriteTime.HighPart);
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return false;
    attributes = info.dwFileAttributes;
    lastWrite = info.ftLastWriteTime;
    return true;
}

// ProcessRedirectionTrustPolicy of PROCESS_MITIGATION_POLICY and its flag
// EnforceRedirectionTrust, which older headers do not name.
const int kRedirectionTrustPolicy = 16;
const DWORD kEnforceRedirectionTrust = 1;

void EnforceRedirectionTrust() {
    using SetProcessMitigationPolicyFn = BOOL(WINAPI*)(int, PVOID, SIZE_T);
    auto setPolicy = KernelFunction<SetProcessMitigationPolicyFn>("SetProcessMitigationPolicy");
    DWORD flags = kEnforceRedirectionTrust;
    if (setPolicy != nullptr) setPolicy(kRedirectionTrustPolicy, &flags, sizeof flags);
}

// The library's path in the system folder: what a 32-bit program on 64-bit
// Windows is given is redirected to SysWOW64, which is where its DLLs lie.
static std::string SystemLibraryPath(const char* name) {
    char folder[MAX_PATH] = "";
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    std::string path;
    if (length == 0 || length >= sizeof folder || !JoinPath(folder, name, path)) return name;
    return path;
}

static void ShowLoadFailure(const std::string& what, DWORD error) {
    MessageBoxA(nullptr, SystemLibraryErrorText(what, error).c_str(), kErrorCaption, MB_ICONERROR);
}

// By name with a search of the system folder only where the loader offers it
// (so that the side-by-side common controls the manifest asks for still
// apply), else by full path, the library's own imports looked for beside it.
static HMODULE LoadSystemLibrary(const char* name) {
    HMODULE module = g_searchFlagsWork ? LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)
                                       : LoadLibraryExA(SystemLibraryPath(name).c_str(), nullptr,
                                                        LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) ShowLoadFailure(SystemLibraryPath(name), GetLastError());
    return module;
}

template <typename Function>
static bool FindFunction(HMODULE module, const char* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    if (out == nullptr) ShowLoadFailure(SystemLibraryPath(library) + ": " + name, GetLastError());
    return out != nullptr;
}

static bool LoadVersionLibrary() {
    const char* const library = "version.dll";
    HMODULE module = LoadSystemLibrary(library);
    return module != nullptr && FindFunction(module, library, "VerInstallFileA", g_version.m_verInstallFile) &&
           FindFunction(module, library, "GetFileVersionInfoSizeA", g_version.m_getFileVersionInfoSize) &&
           FindFunction(module, library, "GetFileVersionInfoA", g_version.m_getFileVersionInfo) &&
           FindFunction(module, library, "VerQueryValueA", g_version.m_verQueryValue) &&
           FindFunction(module, library, "VerLanguageNameA", g_version.m_verLanguageName);
}

// The copy dialog's progress bar is a common control: its class must exist
// before the dialog is made.
static bool LoadCommonControls() {
    const char* const library = "comctl32.dll";
    HMODULE module = LoadSystemLibrary(library);
    decltype(&::InitCommonControlsEx) initCommonControls = nullptr;
    if (module == nullptr || !FindFunction(module, library, "InitCommonControlsEx", initCommonControls))
        return false;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    if (initCommonControls(&controls)) return true;
    ShowLoadFailure(SystemLibraryPath(library) + ": InitCommonControlsEx", GetLastError());
    return false;
}

bool LoadSystemLibraries() {
    return LoadVersionLibrary() && LoadCommonControls();
}
