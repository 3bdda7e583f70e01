// The state shared by the stages of AnalyseMedium while it works a medium
// through: the script as the profile reader sees it, the install folder,
// and the report being filled. Portable: no Windows headers.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "common/profile_rules.h"
#include "medium/medium_rules.h"

// Why the walk stopped: the medium makes the program stop on every machine,
// or the case planned does (no earlier installation for an update, a
// question answered No).
enum class WalkStop { None, Medium, Case };

struct MediumWalk {
    const Medium& m_medium;
    const MediumContext& m_context;
    Profile m_profile;
    std::string m_installDir;
    std::string m_productName;
    MediumReport m_report;
    bool m_stopped = false;  // the program ends before the remaining stages
    WalkStop m_stop = WalkStop::None;
    // Walking for the findings only: where the case stops the installation,
    // the walk goes on as if the player had gone on.
    bool m_pastCaseStops = false;
    // The folder an earlier installation recorded, when the check took it.
    std::string m_recordedFolder;
    // The shared files the list installs, by FileNameKey, with their line.
    std::map<std::string, std::string> m_sharedNames;
    int m_changePath = 1;
    int m_versionMode = 0;
    std::uint32_t m_versionValue = 0;
    // The two [Version] locations as the record step will use them; a
    // location that is not usable has an empty key.
    PlannedValue m_versionLocation;
    PlannedValue m_installLocation;
    // The package files as FileNameKey gives them, for the shortcut targets.
    std::set<std::string> m_packageNames;

    MediumWalk(const Medium& medium, const MediumContext& context);
    void Add(Severity severity, const std::string& code, const std::string& section, const std::string& key,
             const std::string& text);
    // A finding about a file as a whole ("Setup.ini", "Quorin.qpk", "" for the medium).
    void AddAbout(Severity severity, const std::string& code, const std::string& file, const std::string& text,
                  int line = 0);
    // The program stops here (exit code as it is); `cause` says whether the
    // medium or the case planned makes it stop. A case stop lets a findings
    // walk go on.
    void Stop(WalkStop cause);
    void Message(const std::string& caption, const std::string& text, const std::string& answer = "");
    // The value the program reads with `capacity`, with a finding when it is cut.
    std::string Read(const std::string& section, const std::string& key, std::size_t capacity,
                     Severity cutSeverity = Severity::Warning);
    int ReadInt(const std::string& section, const std::string& key, int defaultValue);
};

// "quoted" text for findings.
std::string Quote(const std::string& text);

// Why a registry path's root name is not recognised (mis-cased or unknown).
std::string RootNameProblem(const std::string& path);

// The stages, in the program's order, each a `void Stage(MediumWalk& walk)`.
using WalkStage = void(MediumWalk& walk);
WalkStage WalkMainSection, WalkBackdrop, WalkVersionCheck, WalkFolderStage;  // before anything is written
WalkStage WalkSharedFiles, WalkManifest, WalkFolderCreation;                  // the files
WalkStage WalkRegistry, WalkShortcuts, WalkVersionRecord, WalkPrograms;      // the system
WalkStage WalkCompletion;
// What the medium holds besides the script's and the manifest's own lines:
// the encoding of Setup.ini, Setup.exe beside it.
WalkStage WalkMediumFiles;
