#include "shell/win32_machine.h"

#include <string>
#include <vector>

#include "common/profile_rules.h"
#include "common/scoped.h"
#include "common/script_rules.h"
#include "install/link_guard.h"
#include "install/manifest.h"
#include "resource.h"
#include "shell/shell.h"
#include "system/system.h"

Win32Machine::Win32Machine(HWND backdrop)
    : m_backdrop(backdrop), m_key(nullptr), m_notice(nullptr), m_previousCursor(nullptr) {}

Win32Machine::~Win32Machine() {
    CloseRegistryKey();
}

// A numbered line is read from its section, read whole once per stage: a
// lookup of one name by the system walks the section from its start, which
// for every line of a long list would take time growing with the square of
// its length. A value whose cut to the buffer the cached copy cannot tell is
// read by name, as every other value is.
std::string Win32Machine::ReadScriptText(const std::string& section, const std::string& key, std::size_t capacity) {
    int number = LineNumberOfKey(key);
    if (number > 0) {
        const std::map<int, std::string>& lines = SectionLines(section);
        auto line = lines.find(number);
        if (line == lines.end()) return "";
        std::string value;
        if (StoredValueAsRead(line->second, capacity, value)) return value;
    }
    std::vector<char> buffer(capacity + 1, '\0');
    ::ReadScriptText(section.c_str(), key.c_str(), buffer.data(), static_cast<DWORD>(capacity));
    return buffer.data();
}

int Win32Machine::ReadScriptInt(const std::string& section, const std::string& key, int defaultValue) {
    return ::ReadScriptInt(section.c_str(), key.c_str(), defaultValue);
}

const std::map<int, std::string>& Win32Machine::SectionLines(const std::string& section) {
    auto found = m_sections.find(section);
    if (found != m_sections.end()) return found->second;
    std::vector<char> list = ReadScriptSectionList(section.c_str());
    return m_sections.emplace(section, NumberedLinesOfSectionList(list.data())).first->second;
}

int Win32Machine::LastScriptLine(const std::string& section) {
    const std::map<int, std::string>& lines = SectionLines(section);
    return lines.empty() ? 0 : lines.rbegin()->first;
}

HWND Win32Machine::Owner(MessageOwner owner) const {
    return owner == MessageOwner::Backdrop ? m_backdrop : nullptr;
}

void Win32Machine::Tell(const std::string& caption, const std::string& text, unsigned style, MessageOwner owner) {
    MessageBoxA(Owner(owner), text.c_str(), caption.c_str(), style);
}

bool Win32Machine::Ask(Question question, const std::string& caption, const std::string& text, MessageOwner owner) {
    UINT style = question == Question::DiskSpace ? MB_OKCANCEL | MB_ICONINFORMATION : MB_YESNO | MB_ICONQUESTION;
    int answer = MessageBoxA(Owner(owner), text.c_str(), caption.c_str(), style);
    return answer == IDYES || answer == IDOK;
}

void Win32Machine::TellLastError() {
    ShowLastError();
}

bool Win32Machine::ChooseInstallFolder(SetupState& state) {
    return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SELECT_FOLDER), m_backdrop, FolderDialogProc,
                           reinterpret_cast<LPARAM>(&state)) != IDCANCEL;
}

void Win32Machine::ShowShortcutNotice() {
    m_notice = OpenShortcutNotice(m_backdrop, &m_previousCursor);
}

void Win32Machine::HideShortcutNotice() {
    CloseShortcutNotice(m_notice, m_previousCursor);
    m_notice = nullptr;
}

std::uint32_t Win32Machine::ReadRegistryNumber(const RegistryPathParts& location) {
    ScopedRegKey key;
    if (RegOpenKeyExA(PredefinedRootKey(location.root), location.subKey.c_str(), 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS)
        return 0;
    BYTE data[4] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.Get(), location.valueName.c_str(), nullptr, nullptr, data, &size) != ERROR_SUCCESS)
        return 0;
    return InstalledNumberFromData(data, size);
}

bool Win32Machine::ReadRegistryText(const RegistryPathParts& location, std::string& data) {
    ScopedRegKey key;
    if (RegOpenKeyExA(PredefinedRootKey(location.root), location.subKey.c_str(), 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS)
        return false;
    char buffer[kValueSize] = "";
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key.Get(), location.valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS)
        return false;
    data.assign(buffer, size);
    return true;
}

bool Win32Machine::CreateRegistryKey(std::uint32_t root, const std::string& subKey) {
    CloseRegistryKey();
    if (RegCreateKeyExA(PredefinedRootKey(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &m_key, nullptr) == ERROR_SUCCESS)
        return true;
    m_key = nullptr;
    return false;
}

bool Win32Machine::SetRegistryValue(const std::string& name, std::uint32_t type,
                                    const std::vector<unsigned char>& bytes) {
    // An empty binary value still points at a buffer.
    const BYTE nothing = 0;
    return RegSetValueExA(m_key, name.c_str(), 0, type, bytes.empty() ? &nothing : bytes.data(),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

void Win32Machine::CloseRegistryKey() {
    if (m_key != nullptr) RegCloseKey(m_key);
    m_key = nullptr;
}

bool Win32Machine::SetExistingRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& name,
                                            std::uint32_t type, const std::string& bytes) {
    ScopedRegKey key;
    if (RegOpenKeyExA(PredefinedRootKey(root), subKey.c_str(), 0, KEY_WRITE, key.Receive()) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool Win32Machine::SourceFileSize(const std::string& path, std::uint64_t& size) {
    ScopedHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    DWORD high = 0;
    DWORD low = GetFileSize(file.Get(), &high);
    size = static_cast<std::uint64_t>(high) << 32 | low;
    return true;
}

ManifestResult Win32Machine::ReadPackageManifest(std::vector<std::string>& names) {
    return ::ReadPackageManifest(names);
}

bool Win32Machine::IsFixedDisk(const std::string& root) {
    return GetDriveTypeA(root.c_str()) == DRIVE_FIXED;
}

bool Win32Machine::FreeDiskBytes(const std::string& root, std::uint64_t& bytes) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return false;
    bytes = FreeBytes(sectorsPerCluster, bytesPerSector, freeClusters);
    return true;
}

unsigned long Win32Machine::SetCurrentFolder(const std::string& folder) {
    return SetCurrentDirectoryA(folder.c_str()) ? 0 : GetLastError();
}

bool Win32Machine::CreateFolder(const std::string& folder) {
    return CreateDirectoryA(folder.c_str(), nullptr) != FALSE;
}

bool Win32Machine::CreateSubfolders(const std::string& base, const std::string& relative) {
    std::vector<char> path(relative.begin(), relative.end());
    path.push_back('\0');
    return ::CreateSubfolders(base.c_str(), path.data()) != FALSE;
}

PathKind Win32Machine::LookAtPath(const std::string& path) {
    return LookAtPathItself(path);
}

bool Win32Machine::InstallFolderInWindows(const std::string& folder, std::string& finalPath) {
    return FolderLinkedIntoWindows(folder, finalPath);
}

bool Win32Machine::RunCopyDialog() {
    return ::RunCopyDialog(m_backdrop);
}

void Win32Machine::ReadShellFolders(std::string& programs, std::string& desktop) {
    ::ReadShellFolders(programs, desktop);
}

bool Win32Machine::CreateShellLink(const ShortcutLine& line, const ShortcutPaths& paths) {
    if (SkipLinkFileAtLink(paths.linkFile)) return false;  // told once per link on the way; counted as not installed
    return SUCCEEDED(::CreateShellLink(paths.target.c_str(), paths.linkFile.c_str(), line.description.c_str(),
                      paths.workingFolder.c_str(), line.showCommand, line.arguments.c_str(), paths.icon.c_str()));
}

// The command line with the setup program's own environment and current
// directory; the program itself as ProgramToStart names it.
bool Win32Machine::StartProgram(const std::string& commandLine, bool wait) {
    std::string application;
    ScopedHandle heldProgram;
    if (!ProgramToStart(commandLine, application, heldProgram)) return false;
    char buffer[kValueSize];
    lstrcpynA(buffer, commandLine.c_str(), sizeof buffer);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application.empty() ? nullptr : application.c_str(), buffer, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &process))
        return false;
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    if (wait) WaitForSingleObject(processHandle.Get(), INFINITE);
    return true;
}

void Win32Machine::RestartWindows() {
    ::RestartWindows();
}
