#include "common/paint_rules.h"

#include "common/script_rules.h"
#include "common/text_rules.h"

std::vector<std::string> SplitLineFields(const std::string& line, std::size_t count, bool lastRunsToEnd) {
    std::vector<std::string> fields(count);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count && pos <= line.size(); ++i) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        std::size_t end = (lastRunsToEnd && i + 1 == count) ? std::string::npos : line.find(',', pos);
        if (end == std::string::npos) end = line.size();
        fields[i] = line.substr(pos, end - pos);
        pos = end + 1;  // past the comma; beyond the end when there was none
    }
    return fields;
}

Colour ParseColourField(const std::string& field) {
    if (field.size() != 9) return 0;
    unsigned red = static_cast<unsigned>(NumberFieldValue(field.substr(0, 3)));
    unsigned green = static_cast<unsigned>(NumberFieldValue(field.substr(3, 3)));
    unsigned blue = static_cast<unsigned>(NumberFieldValue(field.substr(6, 3)));
    return MakeColour(red, green, blue);
}

ColourLine ParseColourLine(const std::string& line) {
    std::vector<std::string> fields = SplitLineFields(line, 3, false);
    ColourLine colour;
    colour.solid = NumberFieldValue(fields[0]) != 0;
    colour.rampKind = NumberFieldValue(fields[1]);
    colour.colour = ParseColourField(fields[2]);
    return colour;
}

int RampLevel(int band) {
    if (band < 0 || band >= 64) return band < 0 ? 255 : 0;
    return 255 - 4 * band;
}

Colour RampColour(int kind, int level) {
    unsigned l = static_cast<unsigned>(level);
    switch (kind) {
    case 0: return MakeColour(l, l, l);
    case 1: return MakeColour(l, 0, 0);
    case 2: return MakeColour(0, l, 0);
    case 3: return MakeColour(0, 0, l);
    default: {
        unsigned low = static_cast<unsigned>(kind) & 0xFF;
        return MakeColour(low, 0, low);
    }
    }
}

std::vector<Band> RampBands(int kind, int top, int bottom) {
    std::vector<Band> bands;
    for (int k = 0, y = top; y < bottom; ++k, y += kBandHeight)
        bands.push_back(Band{y, y + kBandHeight, RampColour(kind, RampLevel(k))});
    return bands;
}

bool ParseTitleLine(const std::string& line, TitleLine& title) {
    if (line.empty()) return false;
    std::vector<std::string> fields = SplitLineFields(line, 5, true);
    if (fields[0].empty() || fields[1].empty()) return false;
    title.face = CutText(fields[0], kFaceNameBytes);
    title.height = NumberFieldValue(fields[1]);
    title.colour = ParseColourField(fields[2]);
    title.shadow = fields[3].empty() || NumberFieldValue(fields[3]) != 0;
    title.text = fields[4].empty() ? " " : fields[4];
    return true;
}

std::string DefaultTitleText(const std::string& productName, const std::string& productVersion) {
    return productName + " " + productVersion + " 설치";
}

DefaultTitleLayout LayoutDefaultTitle(int horzRes, int vertRes) {
    DefaultTitleLayout layout;
    layout.height = vertRes / 20;
    layout.x = horzRes / 15;
    layout.y = vertRes / 15;
    layout.shadowX = layout.x + layout.x / 20;
    layout.shadowY = layout.y + layout.y / 20;
    return layout;
}

std::string StartPageUrlFromTitle(const std::string& text) {
    return CutText(text, kValueSize - 2);
}
