#include "common/text_rules.h"

#include <climits>

#include <gtest/gtest.h>

TEST(CutText, KeepsDoubleByteCharactersWhole) {
    struct Case {
        std::string text;
        std::size_t maxBytes;
        std::string expected;
    } cases[] = {
        {"abcdef", 3, "abc"},
        {"abc", 10, "abc"},
        {"abc", 0, ""},
        {"가나다", 4, "가나"},                 // 2 bytes each
        {"가나다", 5, "가나"},                 // half a character is dropped
        {"a가", 2, "a"},
        {"a가", 3, "a가"},
        {"\xB0", 5, "\xB0"},                  // a lone lead byte at the end counts as one
        {std::string("\x81\x41z", 3), 1, ""},  // lead bytes start at 0x81
        {"\x80z", 1, "\x80"},                 // 0x80 is a single byte
    };
    for (const Case& c : cases) EXPECT_EQ(CutText(c.text, c.maxBytes), c.expected) << c.text << "/" << c.maxBytes;
}

TEST(NumberField, ReadsAsAtoiDoes) {
    struct Case {
        const char* field;
        int value;
    } cases[] = {
        {"", 0},        {"0", 0},         {"40", 40},   {"-24", -24},      {"+7", 7},
        {"  12", 12},   {"\t12", 12},     {"12abc", 12}, {"abc", 0},       {"- 1", 0},
        {"007", 7},     {"1 2", 1},       {"99999999999", INT_MAX},       {"-99999999999", INT_MIN},
        {"2147483647", INT_MAX},          {"-2147483648", INT_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(NumberFieldValue(c.field), c.value) << c.field;
}

// Names compare as the program compares file names: ASCII letters without
// case, the trail byte of a Korean character exactly, even where it is a
// letter ("갂" is B0 41, "갵" is B0 61; "가" is B0 A1).
TEST(FileNameKey, FoldsLettersButNotTrailBytes) {
    struct Row {
        std::string a, b;
        bool same;
    } rows[] = {
        {"game.exe", "GAME.EXE", true},
        {"\xB0\x41.dat", "\xB0\x41.DAT", true},
        {"\xB0\x41.dat", "\xB0\x61.dat", false},
        {"a\xB0\x41", "A\xB0\x41", true},
        {"\x41\xB0", "\x61\xB0", true},  // a lone lead byte at the end is a byte of its own
        {"ab", "abc", false},
        {"", "", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SameFileName(row.a, row.b), row.same) << row.a << " / " << row.b;
        EXPECT_EQ(FileNameKey(row.a) == FileNameKey(row.b), row.same) << row.a << " / " << row.b;
    }
    EXPECT_EQ(FileNameKey("a\xB0\x61" "b"), "A\xB0\x61" "B");
    EXPECT_EQ(UpperAscii(std::string("aZ\xB0\x61")), "AZ\xB0\x41");
}

TEST(WithCrlfLineEnds, EndsEveryLineWithCrLf) {
    struct Case {
        const char* what;
        std::string text, expected;
    } cases[] = {
        {"LF lines", "[Main]\nName=x\n", "[Main]\r\nName=x\r\n"},
        {"CRLF lines stay", "[Main]\r\nName=x\r\n", "[Main]\r\nName=x\r\n"},
        {"mixed", "a\r\nb\nc", "a\r\nb\r\nc"},
        {"LF first", "\nx", "\r\nx"},
        {"blank lines", "a\n\n\nb", "a\r\n\r\n\r\nb"},
        {"no line end", "a", "a"},
        {"empty", "", ""},
        {"a lone CR is no line end of its own", "a\rb\n", "a\rb\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithCrlfLineEnds(c.text), c.expected) << c.what;
}

// The place of a character the script cannot be converted at: the line and
// the column in characters, a Korean syllable (three UTF-8 bytes) counting one.
TEST(PlaceOfUtf8Offset, CountsLinesAndCharacters) {
    const std::string korean = "\xEC\xBF\xBC\xEB\xA6\xB0";  // two syllables, UTF-8
    struct Case {
        const char* what;
        std::string text;
        std::size_t offset;
        int line, column;
    } cases[] = {
        {"start", "abc", 0, 1, 1},
        {"third letter", "abc", 2, 1, 3},
        {"second line", "ab\ncd", 4, 2, 2},
        {"after CRLF", "ab\r\ncd", 4, 2, 1},
        {"after two syllables", "Name=" + korean + "x", 11, 1, 8},
        {"second syllable", korean, 3, 1, 2},
        {"offset past the end", "a\nb", 99, 2, 2},
    };
    for (const Case& c : cases) {
        TextPlace place = PlaceOfUtf8Offset(c.text, c.offset);
        EXPECT_EQ(place.line, c.line) << c.what;
        EXPECT_EQ(place.column, c.column) << c.what;
    }
}
