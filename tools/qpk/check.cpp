// qpk check: the findings about a medium, for people and for machines.
#include <cstdio>

#include "medium.h"
#include "qpk.h"

// Where a finding is: the file and line, or, for a key of Setup.ini that is
// not written at all, the file alone (the section and key follow).
static void PrintFindingText(const Finding& f) {
    std::string where = f.file.empty() ? "medium" : Utf8Of(f.file);
    if (f.line > 0) where += ":" + std::to_string(f.line);
    std::string place = f.section.empty() ? "" : " [" + Utf8Of(f.section) + "]" + (f.key.empty() ? "" : " " + Utf8Of(f.key));
    if (f.line == 0 && !f.section.empty()) place += " (not written)";
    std::printf("%s%s: %s %s: %s\n", where.c_str(), place.c_str(), SeverityName(f.severity), f.code.c_str(),
                Utf8Of(f.text).c_str());
    if (!f.effect.empty()) std::printf("    effect: %s\n", Utf8Of(f.effect).c_str());
    if (!f.fix.empty()) std::printf("    fix: %s\n", Utf8Of(f.fix).c_str());
}

static void PrintFindingsText(const std::vector<Finding>& findings, int status) {
    int counts[3] = {0, 0, 0};
    for (const Finding& f : findings) {
        PrintFindingText(f);
        ++counts[static_cast<int>(f.severity)];
    }
    std::printf("%d error(s), %d warning(s), %d note(s): %s\n", counts[2], counts[1], counts[0],
                status == 0 ? "clean" : status == 1 ? "warnings only" : "errors");
}

static void PrintFindingsJson(const MediumOptions& options, const std::vector<Finding>& findings, int status) {
    std::printf("{\"medium\": %s, \"scriptUtf8\": %s, \"status\": %d, \"findings\": [", JsonString(options.folder).c_str(),
                options.scriptWasUtf8 ? "true" : "false", status);
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        std::printf("%s\n  {\"severity\": \"%s\", \"code\": \"%s\", \"file\": %s, \"section\": %s, \"key\": %s, "
                    "\"line\": %d, \"text\": %s, \"effect\": %s, \"fix\": %s}",
                    i ? "," : "", SeverityName(f.severity), f.code.c_str(), JsonString(f.file).c_str(),
                    JsonString(f.section).c_str(), JsonString(f.key).c_str(), f.line, JsonString(f.text).c_str(),
                    JsonString(f.effect).c_str(), JsonString(f.fix).c_str());
    }
    std::printf("\n]}\n");
}

int CheckCommand(const std::vector<std::string>& args) {
    MediumOptions options;
    if (!ParseMediumOptions(args, options)) {
        std::fputs("usage: qpk check <medium folder> [--json] [--install-dir <path>] [machine and case options]\n"
                   "(qpk --help lists the options)\n",
                   stderr);
        return 2;
    }
    Medium medium;
    if (!ReadMediumFolder(options, medium)) return 2;
    MediumReport report = AnalyseMedium(medium, options.context);
    int status = FindingsExitStatus(report.findings);
    if (options.json) {
        PrintFindingsJson(options, report.findings, status);
        return status;
    }
    PrintFindingsText(report.findings, status);
    return status;
}
