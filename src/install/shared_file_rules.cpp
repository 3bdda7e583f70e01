#include "install/shared_file_rules.h"

#include "common/script_rules.h"

int SharedFileCountToUse(int count) {
    if (count < 0) return 0;
    return count > kMaxSharedFiles ? kMaxSharedFiles : count;
}

SharedLine ParseSharedFileLine(const std::string& value, SharedLineFields& fields) {
    if (value.empty()) return SharedLine::Empty;
    const char* p = SkipBlanks(value.c_str());
    if (*p == ',' || *p == '\0') return SharedLine::Malformed;
    char kindCharacter = *p++;
    p = SkipBlanks(p);
    if (*p != ',') return SharedLine::Malformed;
    fields.kind = FlagValue(kindCharacter);
    fields.kindCharacter = kindCharacter;
    p = SkipBlanks(p + 1);
    if (*p == '\0') return SharedLine::NoName;
    std::string name = p;
    fields.problem = CheckRelativeName(name);
    fields.name = name;
    return fields.problem == NameProblem::None ? SharedLine::Ok : SharedLine::BadName;
}

std::uint32_t SharedFileSize(std::uint32_t low, std::uint32_t high) {
    return (high == 0 && low != 0xFFFFFFFFu) ? low : 0;
}

std::string SharedLineErrorText(int number, const std::string& line, const std::string& problem) {
    return "설치 정보 파일(Setup.ini)의 [Shared File] " + LineKey(number) + "=" + line + "\n" + problem +
           "\n이 파일은 설치하지 않습니다.";
}

std::string SharedCountErrorText(int count) {
    return "설치 정보 파일(Setup.ini)의 [Shared File] Count=" + std::to_string(count) +
           "\n공유 파일이 너무 많습니다. (최대 " + std::to_string(kMaxSharedFiles) + "개)\n처음 " +
           std::to_string(kMaxSharedFiles) + "개만 설치합니다.";
}

SharedLineOutcome DecideSharedLine(int number, const std::string& value, const std::string& sourceFolder) {
    SharedLineOutcome outcome;
    outcome.status = ParseSharedFileLine(value, outcome.fields);
    outcome.keepsKind = outcome.status == SharedLine::NoName || outcome.status == SharedLine::BadName ||
                        outcome.status == SharedLine::Ok;
    if (outcome.status == SharedLine::BadName)
        outcome.message = SharedLineErrorText(number, value, NameProblemText(outcome.fields.problem));
    if (outcome.status != SharedLine::Ok) return outcome;
    if (!JoinPath(sourceFolder, outcome.fields.name, outcome.sourcePath)) {
        outcome.sourceTooLong = true;
        outcome.message = SharedLineErrorText(number, value, PathTooLongText());
        return outcome;
    }
    outcome.effect = LineEffect::Use;
    return outcome;
}
