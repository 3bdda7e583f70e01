// qpk plan: what an installation of the medium does on the machine and with
// the answers the options give (by default a clean machine).
#include <cstdio>

#include "medium.h"
#include "qpk.h"

static const char* TypeName(std::uint32_t type) {
    return type == 1 ? "REG_SZ" : type == 3 ? "REG_BINARY" : type == 4 ? "REG_DWORD" : "?";
}

// Line breaks of the program's texts as \n, so that each item stays one line.
static std::string OneLine(const std::string& cp949) {
    std::string out;
    for (char c : Utf8Of(cp949)) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

static std::string ValueText(const PlannedValue& v) {
    if (v.type == 4 && v.bytes.size() == 4)
        return std::to_string(v.bytes[0] | v.bytes[1] << 8 | v.bytes[2] << 16 | static_cast<std::uint32_t>(v.bytes[3]) << 24);
    if (v.type == 1) {
        std::string text(v.bytes.begin(), v.bytes.end());
        return "\"" + OneLine(text.substr(0, text.find('\0'))) + "\"";
    }
    return HexBytes(v.bytes);
}

static void PrintValues(const char* heading, const std::vector<PlannedValue>& values) {
    std::printf("%s:\n", heading);
    for (const PlannedValue& v : values)
        std::printf("  %s [%s] %s %s (%zu bytes: %s)\n", OneLine(v.key).c_str(),
                    v.name.empty() ? "@" : OneLine(v.name).c_str(), TypeName(v.type), ValueText(v).c_str(),
                    v.bytes.size(), HexBytes(v.bytes).c_str());
}

static void PrintFiles(const char* heading, const std::vector<PlannedFile>& files) {
    std::printf("%s:\n", heading);
    for (const PlannedFile& f : files) std::printf("  %s -> %s\n", OneLine(f.name).c_str(), OneLine(f.destination).c_str());
}

static void PrintPlanText(const InstallPlan& plan) {
    std::printf("Planned for: %s\n", OneLine(plan.plannedFor).c_str());
    std::printf("Install folder: %s%s\n", OneLine(plan.installDir).c_str(),
                plan.installDir.empty() ? "" : plan.folderExisted ? " (exists)" : plan.endNote.empty() ? " (created)" : "");
    std::printf("Messages the player sees, in order:\n");
    for (const PlannedMessage& m : plan.messages)
        std::printf("  [%s] %s%s%s\n", OneLine(m.caption).c_str(), OneLine(m.text).c_str(), m.answer.empty() ? "" : " -> ",
                    m.answer.c_str());
    if (!plan.startPage.empty()) PrintValues("Start page", plan.startPage);
    std::printf("Registry keys:\n");
    for (const std::string& key : plan.registryKeys) std::printf("  %s\n", OneLine(key).c_str());
    PrintValues("Registry values", plan.registryValues);
    PrintFiles("Package files", plan.files);
    PrintFiles("Shared files", plan.sharedFiles);
    std::printf("Shortcuts:\n");
    for (const std::string& folder : plan.folders) std::printf("  folder %s\n", OneLine(folder).c_str());
    for (const PlannedLink& l : plan.links)
        std::printf("  %s\n    target %s\n    arguments %s\n    working folder %s\n    icon %s\n    description %s\n"
                    "    show %s\n",
                    OneLine(l.linkFile).c_str(), OneLine(l.target).c_str(), OneLine(l.arguments).c_str(),
                    OneLine(l.workingFolder).c_str(), OneLine(l.icon).c_str(), OneLine(l.description).c_str(),
                    ShowCommandName(l.showCommand).c_str());
    PrintValues("Version record", plan.versionRecord);
    std::printf("Programs:\n");
    for (const PlannedProgram& p : plan.programs)
        std::printf("  %s %s\n", p.wait ? "run and wait:" : "run:", OneLine(p.commandLine).c_str());
    if (!plan.endNote.empty())
        std::printf("The plan ends here: %s\n", OneLine(plan.endNote).c_str());
    else
        std::printf("Exit code: %d%s\n", plan.exitCode, plan.installs ? "" : " (the program stops before installing)");
}

static std::string JsonValues(const std::vector<PlannedValue>& values) {
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        const PlannedValue& v = values[i];
        out += std::string(i ? ",\n    " : "\n    ") + "{\"key\": " + JsonString(v.key) + ", \"name\": " +
               JsonString(v.name) + ", \"type\": " + std::to_string(v.type) + ", \"bytes\": \"" + HexBytes(v.bytes) +
               "\"}";
    }
    return out + "]";
}

static std::string JsonFiles(const std::vector<PlannedFile>& files) {
    std::string out = "[";
    for (std::size_t i = 0; i < files.size(); ++i)
        out += std::string(i ? ",\n    " : "\n    ") + "{\"name\": " + JsonString(files[i].name) +
               ", \"destination\": " + JsonString(files[i].destination) + "}";
    return out + "]";
}

static std::string JsonLinks(const std::vector<PlannedLink>& links) {
    std::string out = "[";
    for (std::size_t i = 0; i < links.size(); ++i) {
        const PlannedLink& l = links[i];
        out += std::string(i ? ",\n    " : "\n    ") + "{\"link\": " + JsonString(l.linkFile) +
               ", \"target\": " + JsonString(l.target) + ", \"arguments\": " + JsonString(l.arguments) +
               ", \"workdir\": " + JsonString(l.workingFolder) + ", \"icon\": " + JsonString(l.icon) +
               ", \"description\": " + JsonString(l.description) + ", \"show\": " + std::to_string(l.showCommand) + "}";
    }
    return out + "]";
}

// The case planned: the machine's state and the answers, as given.
static std::string JsonCase(const MediumContext& c, const InstallPlan& plan) {
    auto answer = [](Answer a) { return a == Answer::Yes ? std::string("\"yes\"") : std::string("\"no\""); };
    return "{\"installedVersion\": " + std::to_string(c.installedVersion) + ", \"installedPath\": " +
           JsonString(c.installedPath) + ", \"folderExists\": " + (plan.folderExisted ? "true" : "false") +
           ", \"answers\": {\"overwrite\": " + answer(c.overwrite) + ", \"startPage\": " + answer(c.startPage) +
           ", \"createFolder\": " + answer(c.createFolder) + "}, \"text\": " + JsonString(plan.plannedFor) + "}";
}

// The two places the version check reads, for a bench that prepares an earlier installation.
static std::string JsonVersionCheck(const InstallPlan& plan) {
    return "{\"versionKey\": " + JsonString(plan.versionLocation.key) + ", \"versionName\": " +
           JsonString(plan.versionLocation.name) + ", \"installKey\": " + JsonString(plan.installLocation.key) +
           ", \"installName\": " + JsonString(plan.installLocation.name) + "}";
}

static void PrintPlanJson(const MediumContext& context, const InstallPlan& plan) {
    std::string messages = "[", programs = "[", keys = "[", folders = "[";
    for (std::size_t i = 0; i < plan.messages.size(); ++i)
        messages += std::string(i ? ",\n    " : "\n    ") + "{\"caption\": " + JsonString(plan.messages[i].caption) +
                    ", \"text\": " + JsonString(plan.messages[i].text) + ", \"answer\": " +
                    JsonString(plan.messages[i].answer) + "}";
    for (std::size_t i = 0; i < plan.programs.size(); ++i)
        programs += std::string(i ? ",\n    " : "\n    ") + "{\"command\": " +
                    JsonString(plan.programs[i].commandLine) + ", \"wait\": " +
                    (plan.programs[i].wait ? "true" : "false") + ", \"program\": " +
                    JsonString(plan.programs[i].program) + "}";
    for (std::size_t i = 0; i < plan.registryKeys.size(); ++i)
        keys += std::string(i ? ", " : "") + JsonString(plan.registryKeys[i]);
    for (std::size_t i = 0; i < plan.folders.size(); ++i) folders += std::string(i ? ", " : "") + JsonString(plan.folders[i]);
    std::printf("{\"case\": %s,\n \"versionCheck\": %s,\n \"installs\": %s, \"exitCode\": %s, \"endNote\": %s, \"installDir\": %s,\n"
                " \"messages\": %s],\n \"startPage\": %s,\n \"registryKeys\": %s],\n"
                " \"registryValues\": %s,\n \"files\": %s,\n \"sharedFiles\": %s,\n \"folders\": %s],\n"
                " \"links\": %s,\n \"versionRecord\": %s,\n \"programs\": %s]}\n",
                JsonCase(context, plan).c_str(), JsonVersionCheck(plan).c_str(), plan.installs ? "true" : "false",
                plan.endNote.empty() ? std::to_string(plan.exitCode).c_str() : "null", JsonString(plan.endNote).c_str(),
                JsonString(plan.installDir).c_str(), messages.c_str(), JsonValues(plan.startPage).c_str(), keys.c_str(), JsonValues(plan.registryValues).c_str(), JsonFiles(plan.files).c_str(),
                JsonFiles(plan.sharedFiles).c_str(), folders.c_str(), JsonLinks(plan.links).c_str(),
                JsonValues(plan.versionRecord).c_str(), programs.c_str());
}

int PlanCommand(const std::vector<std::string>& args) {
    MediumOptions options;
    if (!ParseMediumOptions(args, options)) {
        std::fputs("usage: qpk plan <medium folder> [--json] [--install-dir <path>] [machine and case options]\n"
                   "(qpk --help lists the options)\n",
                   stderr);
        return 2;
    }
    Medium medium;
    if (!ReadMediumFolder(options, medium)) return 2;
    MediumReport report = AnalyseMedium(medium, options.context);
    if (options.json)
        PrintPlanJson(options.context, report.plan);
    else
        PrintPlanText(report.plan);
    return 0;
}
