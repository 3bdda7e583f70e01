// What the backdrop shows: the colour line of [Color] (a solid colour or a
// ramp of horizontal bands), the title lines of [Title] and the default title
// drawn when there are none. Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// A Windows COLORREF: red + 256 * green + 65536 * blue.
using Colour = unsigned long;

constexpr Colour MakeColour(unsigned red, unsigned green, unsigned blue) {
    return (red & 0xFF) | ((green & 0xFF) << 8) | (static_cast<Colour>(blue & 0xFF) << 16);
}

// The face-name field of a LOGFONTA holds 31 bytes and its NUL.
constexpr std::size_t kFaceNameBytes = 31;
// Height of one band of the ramp, in pixels.
constexpr int kBandHeight = 10;

// The fields of a backdrop line: commas separate them, blanks (spaces) at the
// start of a field are skipped, blanks before a comma stay in the field.
// Exactly `count` fields come back; those beyond the end of the line are
// empty. With lastRunsToEnd the last field takes the rest of the line,
// commas included.
std::vector<std::string> SplitLineFields(const std::string& line, std::size_t count, bool lastRunsToEnd);

// RRRGGGBBB: three groups of three characters read as atoi reads them, each
// keeping its low 8 bits. Any other length gives black.
Colour ParseColourField(const std::string& field);

struct ColourLine {
    bool solid;      // fill the whole background with `colour`
    int rampKind;    // otherwise a ramp of this kind
    Colour colour;
};

ColourLine ParseColourLine(const std::string& line);

// Level of band k (0 at the top): 255, 251, ... 3, then 0 from band 64 on.
int RampLevel(int band);

// Colour of a band of level `level`: kind 0 grey, 1 red, 2 green, 3 blue.
// Any other kind gives one colour for every band, with red and blue the low
// 8 bits of the kind and green 0.
Colour RampColour(int kind, int level);

struct Band {
    int top;
    int bottom;  // exclusive
    Colour colour;
};

// The bands that cover the rows top..bottom-1, each kBandHeight high, from
// the top down; the last one may reach below `bottom`.
std::vector<Band> RampBands(int kind, int top, int bottom);

struct TitleLine {
    std::string face;  // at most kFaceNameBytes bytes
    int height;        // LOGFONTA lfHeight
    Colour colour;
    bool shadow;
    std::string text;  // never empty: an empty text is a single blank
};

// False when the line is skipped: empty line, empty face name or empty height.
bool ParseTitleLine(const std::string& line, TitleLine& title);

// Name, blank, version and " 설치"; the blank stays when the version is empty.
std::string DefaultTitleText(const std::string& productName, const std::string& productVersion);

struct DefaultTitleLayout {
    int height;
    int x, y;
    int shadowX, shadowY;
};

// From the screen's size in pixels (HORZRES, VERTRES).
DefaultTitleLayout LayoutDefaultTitle(int horzRes, int vertRes);

// What g_startPageUrl keeps of the text of title line 2: at most 298 bytes.
std::string StartPageUrlFromTitle(const std::string& text);
