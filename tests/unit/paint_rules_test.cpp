#include "common/paint_rules.h"

#include <gtest/gtest.h>

#include "test_names.h"

// ---- colour fields ----

struct ColourCase {
    const char* what;
    const char* field;
    Colour expected;
};

static void PrintTo(const ColourCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.field);
}

class ColourFieldTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourFieldTest, ReadsRedGreenBlueGroupsKeepingLow8Bits) {
    EXPECT_EQ(ParseColourField(GetParam().field), GetParam().expected) << GetParam().field;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColourFieldTest,
    ::testing::Values(ColourCase{"pure blue", "000000255", 0xFF0000},
                      ColourCase{"pure red", "255000000", 0x0000FF},
                      ColourCase{"pure green", "000255000", 0x00FF00},
                      ColourCase{"groups in the order red green blue", "001002003", 0x030201},
                      ColourCase{"white", "255255255", 0xFFFFFF},
                      ColourCase{"256 keeps its low 8 bits", "256000000", 0x000000},  // 256 -> 0
                      // 300 -> 44, 511 -> 255, 999 -> 231
                      ColourCase{"each group keeps its low 8 bits", "300511999", 0xE7FF2C},
                      ColourCase{"7 characters are black", "0000255", 0},
                      ColourCase{"10 characters are black", "0000002550", 0},
                      ColourCase{"empty is black", "", 0},
                      ColourCase{"group without digits is 0", "abc255xyz", 0x00FF00},
                      ColourCase{"atoi skips leading white space", " 12 34 56", 0x38220C},
                      ColourCase{"atoi stops at the first non digit", "12a034b56", 0x00220C},
                      ColourCase{"minus 1 keeps its low 8 bits", "-01000000", 0x0000FF}),  // -1 -> 255
    NameFromWhat());  // -1 keeps its low 8 bits: 255

// ---- field splitting ----

TEST(LineFields, BlanksCommasAndTheLastField) {
    using V = std::vector<std::string>;
    struct Case {
        const char* line;
        std::size_t count;
        bool lastRunsToEnd;
        V expected;
    } cases[] = {
        {"a,b,c", 3, false, V{"a", "b", "c"}},
        {"  a,   b ,c  ", 3, false, V{"a", "b ", "c  "}},   // blanks before a comma stay
        {"a", 3, false, V{"a", "", ""}},                    // fields beyond the end are empty
        {"a,,c", 3, false, V{"a", "", "c"}},
        {"0,1", 3, false, V{"0", "1", ""}},
        {"1,0,000000255,junk", 3, false, V{"1", "0", "000000255"}},
        {"F,20,000000000,1,Hello, world", 5, true, V{"F", "20", "000000000", "1", "Hello, world"}},
        {"F,20,,,  text ", 5, true, V{"F", "20", "", "", "text "}},
        {"F,20", 5, true, V{"F", "20", "", "", ""}},
        {"F,20,c,s,", 5, true, V{"F", "20", "c", "s", ""}},
        {"\tF,1", 2, false, V{"\tF", "1"}},                 // a tab is not a blank
        {"", 2, true, V{"", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitLineFields(c.line, c.count, c.lastRunsToEnd), c.expected) << c.line;
}

// ---- colour lines ----

TEST(ColourLines, SolidFlagRampKindAndColour) {
    struct Case {
        const char* line;
        bool solid;
        int kind;
        Colour colour;
    } cases[] = {
        {"0,1", false, 1, 0},
        {"1,0,000000255", true, 0, 0xFF0000},
        {"1,,0000255", true, 0, 0},
        {",3", false, 3, 0},                  // empty solid flag: a ramp
        {"x,2", false, 2, 0},                 // a non-digit flag reads 0
        {"2,,255255000", true, 0, 0x00FFFF},  // any non-zero flag is solid
        {"0", false, 0, 0},                   // empty kind is grey
        {" 0 , 7 ,", false, 7, 0},
        {"-1,0,000255000", true, 0, 0x00FF00},
    };
    for (const Case& c : cases) {
        ColourLine line = ParseColourLine(c.line);
        EXPECT_EQ(line.solid, c.solid) << c.line;
        EXPECT_EQ(line.rampKind, c.kind) << c.line;
        EXPECT_EQ(line.colour, c.colour) << c.line;
    }
}

// ---- the ramp ----

TEST(Ramp, LevelsFall4PerBandAndReachBlackAtBand64) {
    struct Case {
        int band;
        int level;
    } cases[] = {{0, 255}, {1, 251}, {2, 247}, {62, 7}, {63, 3}, {64, 0}, {65, 0}, {1000, 0}};
    for (const Case& c : cases) EXPECT_EQ(RampLevel(c.band), c.level) << c.band;
}

TEST(Ramp, ColourOfEachKind) {
    struct Case {
        int kind;
        int level;
        Colour colour;
    } cases[] = {
        {0, 255, 0xFFFFFF}, {0, 3, 0x030303}, {0, 0, 0},
        {1, 251, 0x0000FB}, {2, 251, 0x00FB00}, {3, 251, 0xFB0000},
        {1, 0, 0},          {3, 0, 0},
        // Other kinds: one colour for every level, red and blue from the kind's low 8 bits.
        {4, 255, 0x040004}, {4, 0, 0x040004}, {260, 100, 0x040004}, {-1, 7, 0xFF00FF}, {255, 3, 0xFF00FF},
    };
    for (const Case& c : cases) EXPECT_EQ(RampColour(c.kind, c.level), c.colour) << c.kind << "/" << c.level;
}

TEST(Ramp, BandsCoverTheClientAreaInTenPixelSteps) {
    std::vector<Band> bands = RampBands(1, 0, 768);
    ASSERT_EQ(bands.size(), 77u);  // the last band reaches below the bottom edge
    EXPECT_EQ(bands[0].top, 0);
    EXPECT_EQ(bands[0].bottom, 10);
    EXPECT_EQ(bands[0].colour, 0x0000FFu);
    EXPECT_EQ(bands[63].top, 630);
    EXPECT_EQ(bands[63].colour, 0x000003u);
    EXPECT_EQ(bands[64].top, 640);  // black from 640 pixels below the top on
    EXPECT_EQ(bands[64].colour, 0u);
    EXPECT_EQ(bands[76].top, 760);
    EXPECT_EQ(bands[76].bottom, 770);
    for (std::size_t k = 1; k < bands.size(); ++k) EXPECT_EQ(bands[k].top, bands[k - 1].bottom);

    EXPECT_EQ(RampBands(0, 0, 10).size(), 1u);
    EXPECT_EQ(RampBands(0, 0, 11).size(), 2u);
    EXPECT_TRUE(RampBands(0, 0, 0).empty());
    std::vector<Band> offset = RampBands(2, 5, 25);
    ASSERT_EQ(offset.size(), 2u);
    EXPECT_EQ(offset[0].top, 5);
    EXPECT_EQ(offset[1].colour, 0x00FB00u);
}

// ---- title lines ----

TEST(TitleLines, SkippedLines) {
    const char* skipped[] = {"", ",20,255255255,1,text", "   ,20,,,x", "Face", "Face,", "Face,  ,000000000,1,x"};
    for (const char* line : skipped) {
        TitleLine title;
        EXPECT_FALSE(ParseTitleLine(line, title)) << line;
    }
}

TEST(TitleLines, FieldsOfDrawnLines) {
    struct Case {
        const char* line;
        const char* face;
        int height;
        Colour colour;
        bool shadow;
        const char* text;
    } cases[] = {
        {"궁서,40,255255000,1,쿼린 어드벤처", "궁서", 40, 0x00FFFF, true, "쿼린 어드벤처"},
        {"Arial,-24,000000255,0,http://a.b/c?x=1,2", "Arial", -24, 0xFF0000, false, "http://a.b/c?x=1,2"},
        {"Arial,24,,,text", "Arial", 24, 0, true, "text"},       // empty shadow field: a shadow
        {"Arial,24,12345,x,text", "Arial", 24, 0, false, "text"},  // short colour black; x reads 0
        {"Arial,24,000000000,1,", "Arial", 24, 0, true, " "},     // empty text: one blank
        {"Arial,24", "Arial", 24, 0, true, " "},
        {"Arial ,abc,,2,t", "Arial ", 0, 0, true, "t"},           // trailing blank stays in the face
    };
    for (const Case& c : cases) {
        TitleLine title;
        ASSERT_TRUE(ParseTitleLine(c.line, title)) << c.line;
        EXPECT_EQ(title.face, c.face) << c.line;
        EXPECT_EQ(title.height, c.height) << c.line;
        EXPECT_EQ(title.colour, c.colour) << c.line;
        EXPECT_EQ(title.shadow, c.shadow) << c.line;
        EXPECT_EQ(title.text, c.text) << c.line;
    }
}

TEST(TitleLines, LongFaceNamesAreCutToTheLogfontFieldOnACharacterBoundary) {
    TitleLine title;
    ASSERT_TRUE(ParseTitleLine(std::string(40, 'F') + ",20,,,t", title));
    EXPECT_EQ(title.face, std::string(31, 'F'));
    // 30 ASCII bytes and a double-byte character: the character does not fit whole.
    ASSERT_TRUE(ParseTitleLine(std::string(30, 'F') + "궁서,20,,,t", title));
    EXPECT_EQ(title.face, std::string(30, 'F'));
    ASSERT_TRUE(ParseTitleLine(std::string(29, 'F') + "궁서,20,,,t", title));
    EXPECT_EQ(title.face, std::string(29, 'F') + "궁");
    ASSERT_TRUE(ParseTitleLine(std::string(31, 'F') + ",20,,,t", title));
    EXPECT_EQ(title.face, std::string(31, 'F'));
}

// ---- default title ----

TEST(DefaultTitle, TextKeepsTheBlankBeforeAnEmptyVersion) {
    EXPECT_EQ(DefaultTitleText("Game", "1.0"), "Game 1.0 설치");
    EXPECT_EQ(DefaultTitleText("Game", ""), "Game  설치");
    EXPECT_EQ(DefaultTitleText("", ""), "  설치");
}

TEST(DefaultTitle, LayoutFollowsTheScreenSize) {
    struct Case {
        int horz, vert;
        DefaultTitleLayout expected;
    } cases[] = {
        {1024, 768, {38, 68, 51, 71, 53}},
        {800, 600, {30, 53, 40, 55, 42}},
        {1920, 1080, {54, 128, 72, 134, 75}},
        {10, 10, {0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        DefaultTitleLayout layout = LayoutDefaultTitle(c.horz, c.vert);
        EXPECT_EQ(layout.height, c.expected.height) << c.horz;
        EXPECT_EQ(layout.x, c.expected.x) << c.horz;
        EXPECT_EQ(layout.y, c.expected.y) << c.horz;
        EXPECT_EQ(layout.shadowX, c.expected.shadowX) << c.horz;
        EXPECT_EQ(layout.shadowY, c.expected.shadowY) << c.horz;
    }
}

TEST(StartPageUrl, KeepsAtMost298Bytes) {
    EXPECT_EQ(StartPageUrlFromTitle("http://example.com"), "http://example.com");
    EXPECT_EQ(StartPageUrlFromTitle(std::string(298, 'u')).size(), 298u);
    EXPECT_EQ(StartPageUrlFromTitle(std::string(400, 'u')).size(), 298u);
    EXPECT_EQ(StartPageUrlFromTitle(std::string(297, 'u') + "가"), std::string(297, 'u'));
}
