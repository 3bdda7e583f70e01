// The model of the player's machine that the checker of a medium runs the
// program's own stages on: it answers as the case planned says (the earlier
// installation, the folder, the player's answers), records what the program
// would do into the plan, and turns what the stages decide about each line
// into the authors' findings. Portable: no Windows headers.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/paint_rules.h"
#include "common/profile_rules.h"
#include "medium/medium_rules.h"
#include "stages/stages.h"

class PlayerMachine : public SetupMachine {
public:
    // findingsOnly: the run that gathers the findings of every stage; the
    // player goes on wherever the case would stop (Yes to every question,
    // every program starts).
    PlayerMachine(const Medium& medium, const MediumContext& context, bool findingsOnly);

    // ---- what the machine does ----
    std::string ReadScriptText(const std::string& section, const std::string& key, std::size_t capacity) override;
    int ReadScriptInt(const std::string& section, const std::string& key, int defaultValue) override;
    int LastScriptLine(const std::string& section) override;
    void Tell(const std::string& caption, const std::string& text, unsigned style, MessageOwner owner) override;
    bool Ask(Question question, const std::string& caption, const std::string& text, MessageOwner owner) override;
    void TellLastError() override;
    bool ChooseInstallFolder(SetupState& state) override;
    void ShowShortcutNotice() override {}
    void HideShortcutNotice() override {}
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
    void RestartWindows() override {}

    // ---- what the stages decided: the findings ----
    void VersionSectionRead(const SetupState& state) override;
    void CountPastLines(const std::string& section, int count, int lastLine) override;
    void VersionPathDecided(const std::string& key, const std::string& path, const VersionPathOutcome& outcome) override;
    void VersionDecided(VersionVerdict verdict) override;
    void VersionRecordRefused(const std::string& key) override;
    void SharedCountRead(int count, int used) override;
    void SharedLineDecided(int number, const std::string& value, const SharedLineOutcome& outcome,
                           const SharedFileEntry& record) override;
    void PackagePathsDecided(PackagePaths paths, const std::string& offending, const SetupState& state) override;
    void KeyLineDecided(int number, const std::string& line, const KeyLineOutcome& outcome) override;
    void ValueCountRead(const std::string& section, int count) override;
    void ValueLineDecided(const std::string& section, int number, const std::string& line,
                          const ValueLineOutcome& outcome, const SetupState& state) override;
    void ProgramGroupDecided(int count, const std::string& folderName, const ProgramGroupOutcome& outcome) override;
    void ShortcutLineDecided(int number, int count, const std::string& text, const ShortcutLineOutcome& outcome,
                             const SetupState& state) override;
    void ProgramLineDecided(int number, const std::string& text, const ProgramLineOutcome& outcome,
                            const SetupState& state) override;

    // ---- the findings and the plan ----
    // A finding about a key or line of Setup.ini (an empty section: about
    // Quorin.qpk): what the program reads or does, what the player gets, and
    // the change that removes it.
    void Add(Severity severity, const std::string& code, const std::string& section, const std::string& key,
             const std::string& text, const std::string& effect, const std::string& fix);
    // A finding about a file as a whole ("Setup.ini", "Quorin.qpk",
    // "Setup.exe", another file of the medium, "" for the medium).
    void AddAbout(Severity severity, const std::string& code, const std::string& file, const std::string& text,
                  const std::string& effect, const std::string& fix, int line = 0);
    void Message(const std::string& caption, const std::string& text, const std::string& answer);
    // Whether the install folder is there before the installation.
    bool InstallFolderExists() const;
    // Whether a drive is a hard disk of the machine the plan assumes: C:,
    // and the drives of the folder the player types and of the folder an
    // earlier installation recorded.
    bool HardDiskOfPlan(char drive) const;
    // The manifest against the medium, where the run ends before the disk
    // check reads it for a folder: its findings do not depend on one.
    void CheckManifestUnread();

    const Medium& m_medium;
    const MediumContext& m_context;
    const bool m_findingsOnly;
    Profile m_profile;
    SetupState m_state;
    MediumReport m_report;
    SequenceCommand m_command = IDM_NONE;  // the command whose stage runs
    // The folder an earlier installation recorded, when the check took it.
    std::string m_recordedFolder;
    // The two [Version] locations as the check found them; a location that is
    // not usable has an empty key.
    PlannedValue m_versionLocation;
    PlannedValue m_installLocation;
    bool m_declinedCreate = false;  // the player answered No to creating the folder
    // The shared files the list installs, by FileNameKey, with their line.
    std::map<std::string, std::string> m_sharedNames;
    std::vector<std::string> m_sharedFileNames;  // the same names as written, in list order
    std::map<std::string, int> m_sharedKinds;     // the kind of each, by FileNameKey
    // The package files as FileNameKey gives them, for the shortcut targets.
    std::set<std::string> m_packageNames;
    // What the stages asked of the script: the keys they read (each key of
    // the file the lookup found), the sections they looked into and, by
    // section, the names asked for (FileNameKey), found or not.
    std::set<const ProfileEntry*> m_readEntries;
    std::set<const ProfileSection*> m_readSections;
    std::map<const ProfileSection*, std::map<std::string, std::string>> m_askedKeys;  // FileNameKey -> as asked
    // The key line of [Main Registry] whose values are being written.
    std::string m_keyLineKey;

private:
    void CheckManifest(const ManifestResult& result, const std::vector<std::string>& names);
    bool ProgramStarts(const std::string& commandLine);
    void NoteRead(const std::string& section, const std::string& key);

    std::set<std::pair<std::string, std::string>> m_cutValues;  // values told as cut, once each
    std::set<std::pair<std::string, std::string>> m_typedValues;  // integers told as read otherwise, once each
    std::string m_openKey;                  // the key CreateRegistryKey opened
    bool m_manifestChecked = false;
    std::string m_programKey;               // the [Execute File] line being started
    std::string m_programCommand;           // its command line as written
};

// "quoted" text for findings.
std::string Quote(const std::string& text);

// Why a registry path's root name is not recognised (mis-cased or unknown).
std::string RootNameProblem(const std::string& path);

// A file of the medium, found as Windows finds it (ASCII letters without
// case, the two bytes of a Korean character exactly).
bool FindMediumFile(const Medium& medium, const std::string& name, std::uint64_t& size);

// The authors' findings about the medium around the stages: the encoding of
// Setup.ini and Setup.exe beside it, the [Main] values, the backdrop's lines.
void CheckMediumFiles(PlayerMachine& machine);
void CheckMainSection(PlayerMachine& machine);
void CheckBackdrop(PlayerMachine& machine);
// After the stages have run: the start-page offer as the player will see
// it, and every key, line and section of Setup.ini the program never reads.
void CheckStartPageOffer(PlayerMachine& machine);
void CheckUnreadScript(PlayerMachine& machine);

// ---- values the program reads otherwise than they look (medium_value_rules.cpp) ----
// An integer key as the profile reader reads it (`read`); told where the
// value is not a plain decimal number that reads as itself.
void CheckIntegerKey(PlayerMachine& machine, const std::string& section, const std::string& key,
                     const std::string& value, int read);
// A number field of a backdrop line as atoi reads it; `what` names the
// field ("height"), `effect` says what the number read does.
void CheckNumberField(PlayerMachine& machine, const std::string& section, const std::string& key,
                      const std::string& what, const std::string& field, const std::string& effectOfRead);
// A colour field of nine characters whose parts are not 000 to 255.
void CheckColourParts(PlayerMachine& machine, const std::string& section, const std::string& key,
                      const std::string& line, const std::string& field, const std::string& drawn);
// A one-character field written as something else than a digit (read as 0).
void CheckFlagField(PlayerMachine& machine, const std::string& section, const std::string& key,
                    const std::string& what, char written, const std::string& effect, const std::string& fix);
// The data of a REG_DWORD or REG_BINARY value line, against what it writes.
void CheckValueData(PlayerMachine& machine, const std::string& section, const std::string& key,
                    const std::string& line, const ValueLineOutcome& outcome);

// ---- what the player's screen shows (medium_screen_rules.cpp) ----
// A title line (or the default title) against the backdrop at 640x480,
// 800x600 and 1024x768; `top` is where it is drawn, as the paint moves
// down line by line. Returns the line's estimated cell height.
int CheckTitleOnScreen(PlayerMachine& machine, const std::string& key, const TitleLine& title, int top);
void CheckDefaultTitleOnScreen(PlayerMachine& machine);
// "Default Path" on a drive other than C:.
void CheckDefaultPathDrive(PlayerMachine& machine);

// Why the program refuses a file name, in English (the tools' messages too).
std::string NameProblemEnglish(NameProblem problem);

// The command that rebuilds the manifest of the medium, shared files left out.
std::string RebuildCommand(const PlayerMachine& machine);
// The medium folder as the findings' commands name it.
std::string MediumFolderName(const Medium& medium);
