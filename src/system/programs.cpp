// Which file a post-install program is started from. Setup.exe runs with
// administrator rights, and its current folder is then the install folder or
// the deepest folder of its path that was there (C:\Games, C:\), where any
// user may have put a file: a program named without a folder is never taken
// from there, and a program below the install folder is started only as the
// file the installation wrote.
#include <string>
#include <vector>

#include "common/link_rules.h"
#include "common/scoped.h"
#include "common/script_rules.h"
#include "system/program_rules.h"
#include "system/system.h"

static std::string EnvironmentPath() {
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (size == 0) return "";
    std::vector<char> buffer(size + 1, '\0');
    DWORD length = GetEnvironmentVariableA("PATH", buffer.data(), size + 1);
    return length > 0 && length <= size ? std::string(buffer.data(), length) : "";
}

// A program named without a folder, looked for as Windows looks for it but
// neither in the current folder nor beside Setup.exe (see BareProgramFolders).
static bool FindBareProgram(const std::string& fileName, std::string& found) {
    char system[MAX_PATH] = "", windows[MAX_PATH] = "";
    UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (systemLength >= sizeof system) system[0] = '\0';
    if (windowsLength >= sizeof windows) windows[0] = '\0';
    for (const std::string& folder : BareProgramFolders(system, windows, EnvironmentPath())) {
        std::string candidate;
        if (!JoinPath(folder, fileName, candidate)) continue;
        DWORD attributes = GetFileAttributesA(candidate.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        found = candidate;
        return true;
    }
    return false;
}

static std::string FullPathOf(const std::string& path) {
    char full[kPathSize] = "";
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : "";
}

// Whether two open files hold the same bytes, both read from their start.
static bool SameBytes(HANDLE first, HANDLE second) {
    std::vector<char> a(65536), b(65536);
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(first, a.data(), static_cast<DWORD>(a.size()), &readA, nullptr) ||
            !ReadFile(second, b.data(), static_cast<DWORD>(b.size()), &readB, nullptr) || readA != readB)
            return false;
        if (readA == 0) return true;
        if (std::char_traits<char>::compare(a.data(), b.data(), readA) != 0) return false;
    }
}

// The installed program is opened for reading and nobody may write, delete
// or rename it while `held` keeps it open (the start opens it for reading
// and running, which that allows); its bytes must be those of the package
// file of the same name on the medium.
static bool HoldInstalledProgram(const std::string& path, const std::string& name, ScopedHandle& held) {
    std::string source;
    if (!JoinPath(g_state.sourceFolder, name, source)) return false;
    ScopedHandle original(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    *held.Receive() = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (!original.Valid() || !held.Valid()) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(held.Get(), &info) || IsLinkAttributes(info.dwFileAttributes)) return false;
    return SameBytes(held.Get(), original.Get());
}

bool ProgramToStart(const std::string& commandLine, std::string& application, ScopedHandle& held) {
    application.clear();
    const std::string program = ProgramFileName(FindCommandProgram(commandLine).path);
    if (IsBareProgramName(program)) {
        if (FindBareProgram(program, application)) return true;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    const std::string full = FullPathOf(program);
    if (full.empty() || !LiesWithinFolder(full, g_state.installDir)) return true;  // started as Windows finds it
    if (GetFileAttributesA(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_FILE_NOT_FOUND);  // not there at all: as Windows would fail
        return false;
    }
    const std::string name = full.substr(g_state.installDir.size() + (g_state.installDir.back() == '\\' ? 0 : 1));
    if (!HoldInstalledProgram(full, name, held)) {
        MessageBoxA(nullptr, ProgramChangedText(full).c_str(), kErrorCaption, MB_ICONERROR);
        return false;
    }
    application = full;
    return true;
}
