// The state shared by the stages of AnalyseMedium while it works a medium
// through: the script as the profile reader sees it, the install folder,
// and the report being filled. Portable: no Windows headers.
#pragma once
#include <cstdint>
#include <set>
#include <string>

#include "common/profile_rules.h"
#include "medium/medium_rules.h"

struct MediumWalk {
    const Medium& m_medium;
    const MediumContext& m_context;
    Profile m_profile;
    std::string m_installDir;
    std::string m_productName;
    MediumReport m_report;
    bool m_stopped = false;  // the program ends before the remaining stages
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
