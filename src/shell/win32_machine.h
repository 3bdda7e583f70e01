// The machine the stages run on in Setup.exe: every operation is the Win32
// call, or the program's own dialog, that does it.
#pragma once
#include <map>
#include <string>

#include "common/setup_state.h"
#include "stages/setup_machine.h"

class Win32Machine : public SetupMachine {
public:
    // backdrop: the window that owns the dialogs and the messages said to be
    // the backdrop's; null before it exists.
    explicit Win32Machine(HWND backdrop);
    ~Win32Machine() override;
    Win32Machine(const Win32Machine&) = delete;
    Win32Machine& operator=(const Win32Machine&) = delete;

    std::string ReadScriptText(const std::string& section, const std::string& key, std::size_t capacity) override;
    int ReadScriptInt(const std::string& section, const std::string& key, int defaultValue) override;
    int LastScriptLine(const std::string& section) override;

    void Tell(const std::string& caption, const std::string& text, unsigned style, MessageOwner owner) override;
    bool Ask(Question question, const std::string& caption, const std::string& text, MessageOwner owner) override;
    void TellLastError() override;
    bool ChooseInstallFolder(SetupState& state) override;
    void ShowShortcutNotice() override;
    void HideShortcutNotice() override;

    std::uint32_t ReadRegistryNumber(const RegistryPathParts& location) override;
    bool ReadRegistryText(const RegistryPathParts& location, std::string& data) override;
    bool CreateRegistryKey(std::uint32_t root, const std::string& subKey) override;
    bool SetRegistryValue(const std::string& name, std::uint32_t type, const std::vector<unsigned char>& bytes) override;
    void CloseRegistryKey() override;
    bool SetExistingRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& name,
                                  std::uint32_t type, const std::string& bytes) override;

    bool SourceFileSize(const std::string& path, std::uint64_t& size) override;
    ManifestResult ReadPackageManifest(std::vector<std::string>& names) override;
    bool IsFixedDisk(const std::string& root) override;
    bool FreeDiskBytes(const std::string& root, std::uint64_t& bytes) override;
    unsigned long SetCurrentFolder(const std::string& folder) override;
    bool CreateFolder(const std::string& folder) override;
    bool CreateSubfolders(const std::string& base, const std::string& relative) override;
    PathKind LookAtPath(const std::string& path) override;
    bool InstallFolderInWindows(const std::string& folder, std::string& finalPath) override;
    bool RunCopyDialog() override;

    void ReadShellFolders(std::string& programs, std::string& desktop) override;
    bool CreateShellLink(const ShortcutLine& line, const ShortcutPaths& paths) override;
    bool StartProgram(const std::string& commandLine, bool wait) override;
    void RestartWindows() override;

private:
    HWND Owner(MessageOwner owner) const;
    // The numbered lines of a section, read whole the first time it is asked for.
    const std::map<int, std::string>& SectionLines(const std::string& section);

    HWND m_backdrop;
    HKEY m_key;  // the key CreateRegistryKey opened, until CloseRegistryKey
    HWND m_notice;
    HCURSOR m_previousCursor;
    std::map<std::string, std::map<int, std::string>> m_sections;  // by the name asked for
};
