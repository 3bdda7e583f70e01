// Backdrop painting: the background from [Color] on every erase, the title
// lines from [Title] (or the default title) on every paint. The script is
// read afresh each time; only the last title line, found once at the start,
// bounds how many lines a paint reads.
#include <string>

#include "common/paint_rules.h"
#include "common/scoped.h"
#include "common/script_rules.h"
#include "shell/shell.h"

static void FillWithColour(HDC hdc, const RECT& rect, Colour colour) {
    ScopedGdiObject brush(CreateSolidBrush(static_cast<COLORREF>(colour)));
    FillRect(hdc, &rect, static_cast<HBRUSH>(brush.Get()));
}

int PaintBackdrop(HWND hWnd, HDC hdc) {
    std::string key = LineKey(ReadScriptInt("Color", "Default Color", 0));
    char line[kValueSize];
    ReadScriptText("Color", key.c_str(), line, kLineCapacity);
    if (line[0] == '\0') return 0;
    ColourLine colour = ParseColourLine(line);
    RECT client;
    GetClientRect(hWnd, &client);
    if (colour.solid) {
        FillWithColour(hdc, client, colour.colour);
        return 1;
    }
    for (const Band& band : RampBands(colour.rampKind, client.top, client.bottom)) {
        RECT rect = {client.left, band.top, client.right, band.bottom};
        FillWithColour(hdc, rect, band.colour);
    }
    return 1;
}

// Draws text at (x, y) with a black shadow at (shadowX, shadowY) when asked;
// the device context's text colour is restored afterwards.
static void DrawShadowedText(HDC hdc, const std::string& text, COLORREF colour, bool shadow, int x, int y,
                             int shadowX, int shadowY) {
    int length = static_cast<int>(text.size());
    COLORREF previous = SetTextColor(hdc, RGB(0, 0, 0));
    if (shadow) TextOutA(hdc, shadowX, shadowY, text.c_str(), length);
    SetTextColor(hdc, colour);
    TextOutA(hdc, x, y, text.c_str(), length);
    SetTextColor(hdc, previous);
}

// One title line at the current y; returns the font's height, by which the
// next line moves down.
static int DrawTitleLine(HDC hdc, LOGFONTA font, const TitleLine& title, int y) {
    font.lfHeight = title.height;
    lstrcpynA(font.lfFaceName, title.face.c_str(), LF_FACESIZE);
    ScopedGdiObject hFont(CreateFontIndirectA(&font));
    SetBkMode(hdc, TRANSPARENT);
    ScopedSelection selection(hdc, hFont.Get());
    TEXTMETRICA metrics = {};
    GetTextMetricsA(hdc, &metrics);
    DrawShadowedText(hdc, title.text, static_cast<COLORREF>(title.colour), title.shadow, 20, y, 23, y + 3);
    return metrics.tmHeight;
}

static void DrawDefaultTitle(HDC hdc, LOGFONTA font) {
    DefaultTitleLayout layout = LayoutDefaultTitle(GetDeviceCaps(hdc, HORZRES), GetDeviceCaps(hdc, VERTRES));
    font.lfHeight = layout.height;
    font.lfItalic = TRUE;
    lstrcpynA(font.lfFaceName, "궁서", LF_FACESIZE);
    ScopedGdiObject hFont(CreateFontIndirectA(&font));
    SetBkMode(hdc, TRANSPARENT);
    ScopedSelection selection(hdc, hFont.Get());
    std::string text = DefaultTitleText(g_state.productName, g_state.productVersion);
    DrawShadowedText(hdc, text, RGB(255, 255, 255), true, layout.x, layout.y, layout.shadowX, layout.shadowY);
}

void PaintTitleLines(HDC hdc) {
    int count = ReadScriptInt("Title", "Count", 0);
    LOGFONTA font = {};
    SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0);
    if (count == 0) {
        DrawDefaultTitle(hdc, font);
        return;
    }
    int y = 20;
    int lines = LinesToRead(count, g_state.lastTitleLine);
    for (int i = 1; i <= lines; ++i) {
        char line[kValueSize];
        ReadScriptText("Title", LineKey(i).c_str(), line, kLineCapacity);
        TitleLine title;
        if (!ParseTitleLine(line, title)) continue;
        y += DrawTitleLine(hdc, font, title, y);
    }
}
