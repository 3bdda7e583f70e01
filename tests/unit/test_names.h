// Names and printouts of the rows of parameterised suites. Each row carries a
// short phrase (`what`, or `name` where the row has one); its case is named
// from that phrase, so it reads the same in every run and can be rerun by
// name, and a failure prints the row as text rather than as its bytes.
#pragma once

#include <gtest/gtest.h>

#include <string>

// A byte as two upper-case hex digits.
inline std::string HexByte(unsigned char byte) {
    const char digits[] = "0123456789ABCDEF";
    return std::string{digits[byte >> 4], digits[byte & 15]};
}

// A phrase made into a test name: ASCII letters and digits are kept and every
// run of other characters becomes one '_' (none at either end). A byte beyond
// ASCII (row texts are code page 949) is written as its two hex digits, so
// two phrases in Korean do not fold into the same name. An empty result is
// refused by GoogleTest, as is a name used twice in one suite.
inline std::string TestNameOf(const std::string& phrase) {
    std::string name;
    bool gap = false;
    for (char c : phrase) {
        unsigned char byte = static_cast<unsigned char>(c);
        std::string part;
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')) {
            part = std::string(1, c);
        } else if (byte >= 0x80) {
            part = HexByte(byte);
        } else {
            gap = true;
            continue;
        }
        if (gap && !name.empty()) name += '_';
        gap = false;
        name += part;
    }
    return name;
}

// A text as a quoted literal in ASCII on one line: quotes, backslashes and
// bytes outside printable ASCII escaped; past 60 bytes it is cut and its
// length told.
inline std::string Quoted(const std::string& text) {
    const std::size_t shown = 60;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < shown; ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += text[i];
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += text[i];
        } else {
            out += "\\x" + HexByte(byte);
        }
    }
    out += '"';
    if (text.size() > shown) out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
}

inline std::string Quoted(const char* text) {
    return text ? Quoted(std::string(text)) : std::string("null");
}

// The name generator of a suite whose rows carry their phrase in `what`.
struct NameFromWhat {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return TestNameOf(info.param.what);
    }
};

// The same for rows whose phrase is their `name`.
struct NameFromName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return TestNameOf(info.param.name);
    }
};
