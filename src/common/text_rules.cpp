#include "common/text_rules.h"

#include <climits>

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

std::string CutText(const std::string& text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t length = (IsLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size()) ? 2 : 1;
        if (end + length > maxBytes) break;
        end += length;
    }
    return text.substr(0, end);
}

static bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int NumberFieldValue(const std::string& field) {
    std::size_t i = 0;
    while (i < field.size() && IsWhiteSpace(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    long long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = UpperAscii(c);
    return out;
}

std::string FileNameKey(const std::string& name) {
    std::string key = name;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(key[i])) && i + 1 < key.size())
            ++i;
        else
            key[i] = UpperAscii(key[i]);
    }
    return key;
}

bool SameFileName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && FileNameKey(a) == FileNameKey(b);
}

std::string WithCrlfLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

TextPlace PlaceOfUtf8Offset(const std::string& utf8, std::size_t offset) {
    TextPlace place;
    for (std::size_t i = 0; i < offset && i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == '\n') {
            ++place.line;
            place.column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++place.column;  // a byte that continues a character counts with it
        }
    }
    return place;
}
