#include "system/registry_rules.h"

#include <cstring>

#include "common/registry_path_rules.h"
#include "common/script_rules.h"

KeyLineStatus SplitKeyLine(const std::string& line, KeyLine& key) {
    if (line.empty()) return KeyLineStatus::Empty;
    std::size_t backslash = line.find('\\');
    if (backslash == std::string::npos) return KeyLineStatus::NoBackslash;
    std::uint32_t root = RootKeyFromName(line.substr(0, backslash));
    if (root == 0) return KeyLineStatus::UnknownRoot;
    key.root = root;
    key.subKey = line.substr(backslash + 1);
    return KeyLineStatus::Ok;
}

// name, type, data: the name runs to the first comma with its blanks, the type
// is one character between blanks, the data is the rest of the line.
ValueLineStatus ParseValueLine(const std::string& line, ValueLine& value) {
    const char* p = SkipBlanks(line.c_str());
    const char* comma = std::strchr(p, ',');
    if (comma == nullptr) return ValueLineStatus::Incomplete;
    std::string name(p, comma);
    p = SkipBlanks(comma + 1);
    if (*p == ',') return ValueLineStatus::Malformed;
    if (*p == '\0') return ValueLineStatus::Incomplete;
    char typeChar = *p;
    p = SkipBlanks(p + 1);
    if (*p == '\0') return ValueLineStatus::Incomplete;
    if (*p != ',') return ValueLineStatus::Malformed;
    int type = FlagValue(typeChar);
    if (type > 2) return ValueLineStatus::Malformed;
    value.name = name;
    value.type = type;
    value.typeCharacter = typeChar;
    value.data = SkipBlanks(p + 1);
    return ValueLineStatus::Ok;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::uint32_t DwordFromText(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    std::uint64_t number = 0;
    bool overflow = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (overflow) continue;
        number = number * 10 + static_cast<std::uint64_t>(*p - '0');
        overflow = number > 0xFFFFFFFFu;
    }
    if (overflow) return 0xFFFFFFFFu;
    std::uint32_t value = static_cast<std::uint32_t>(number);
    return negative ? 0u - value : value;
}

std::vector<unsigned char> DecodeHexPairs(const std::string& text) {
    std::vector<unsigned char> bytes;
    std::size_t i = 0;
    while (i < text.size() && bytes.size() < kBinarySize) {
        int high = HexDigitValue(text[i++]);
        if (high < 0 || i >= text.size()) break;
        int low = HexDigitValue(text[i++]);
        if (low < 0) break;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return bytes;
}

ValueLineStatus ValueDataFromLine(const ValueLine& value, const std::string& installDir, RegistryValueData& out) {
    if (value.type == 1) {
        std::string text;
        if (!ExpandExePathText(value.data, installDir, text, kValueSize)) return ValueLineStatus::TooLong;
        out.type = kRegSz;
        out.bytes.assign(text.begin(), text.end());
        out.bytes.push_back('\0');
    } else if (value.type == 2) {
        out.type = kRegBinary;
        out.bytes = DecodeHexPairs(value.data);
    } else {
        std::uint32_t number = DwordFromText(value.data);
        out.type = kRegDword;
        out.bytes.clear();
        for (int i = 0; i < 4; ++i) out.bytes.push_back(static_cast<unsigned char>(number >> (8 * i)));
    }
    return ValueLineStatus::Ok;
}

std::string KeyLineErrorText(int number, const std::string& line) {
    return "설치 정보 파일(Setup.ini)의 [Main Registry] " + LineKey(number) + "=" + line +
           "\n레지스트리 키 이름에 '\\' 문자가 없어 이 키를 건너뜁니다.";
}

std::string ValueLineErrorText(const std::string& section, int number, const std::string& line,
                               ValueLineStatus status) {
    std::string text = "설치 정보 파일(Setup.ini)의 [" + section + "] " + LineKey(number) + "=" + line + "\n";
    if (status == ValueLineStatus::TooLong)
        return text + "%EXEPATH%를 바꾼 값이 너무 깁니다. (최대 299바이트)\n이 값은 기록하지 않습니다.";
    return text + "레지스트리 값 줄이 불완전합니다. (이름, 형식, 데이터)\n나머지 레지스트리 항목은 기록하지 않습니다.";
}

KeyLineOutcome DecideKeyLine(int number, const std::string& line) {
    KeyLineOutcome outcome;
    outcome.status = SplitKeyLine(line, outcome.key);
    outcome.effect = outcome.status == KeyLineStatus::Ok ? LineEffect::Use : LineEffect::Skip;
    if (outcome.status == KeyLineStatus::NoBackslash) outcome.message = KeyLineErrorText(number, line);
    return outcome;
}

ValueLineOutcome DecideValueLine(const std::string& section, int number, const std::string& line,
                                 const std::string& installDir) {
    ValueLineOutcome outcome;
    outcome.status = ParseValueLine(line, outcome.value);
    if (outcome.status == ValueLineStatus::Ok) outcome.status = ValueDataFromLine(outcome.value, installDir, outcome.data);
    switch (outcome.status) {
    case ValueLineStatus::Ok: outcome.effect = LineEffect::Use; break;
    case ValueLineStatus::Malformed: outcome.effect = LineEffect::EndStep; break;
    case ValueLineStatus::Incomplete: outcome.effect = LineEffect::EndStep; break;
    case ValueLineStatus::TooLong: outcome.effect = LineEffect::Skip; break;
    }
    if (outcome.status == ValueLineStatus::Incomplete || outcome.status == ValueLineStatus::TooLong)
        outcome.message = ValueLineErrorText(section, number, line, outcome.status);
    return outcome;
}
