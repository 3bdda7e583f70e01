// The copy loop's shortcuts: the folder walk once per folder part and the
// progress update only when the bar would draw something else.
#include "install/copy_rules.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(FolderWalkNeeded, OnlyForFolderPartsNotYetMade) {
    const std::set<std::string> made = {"data", "data\\maps", "\xB5\xA5\xC0\xCC\xC5\xCD"};  // "데이터"
    struct Row {
        const char* folderPart;
        bool needed;
    };
    const Row rows[] = {
        {"", false},             // a file at the top of the package
        {"data", false},
        {"data\\maps", false},
        {"data\\sounds", true},  // a sibling of a made folder
        {"Data", true},          // compared byte for byte
        {"data\\maps\\x", true}, // below a made folder
        {"dat", true},
        {"\xB5\xA5\xC0\xCC\xC5\xCD", false},
        {"\xB5\xA5\xC0\xCC\xC5\xEF", true},
    };
    for (const Row& row : rows) EXPECT_EQ(FolderWalkNeeded(made, row.folderPart), row.needed) << row.folderPart;
}

TEST(ProgressLooksDifferent, Rows) {
    struct Row {
        unsigned shown, position, range, width;
        bool different;
    };
    const Row rows[] = {
        {0, 1, 0, 240, true},          // no range: always shown
        {0, 1, 100, 0, true},          // no width known: always shown
        {5, 5, 100, 240, false},       // the same position
        {0, 1, 100, 240, true},        // 2.4 pixels a step
        {0, 1, 20000, 240, false},     // far below a pixel
        {0, 20000, 20000, 240, true},  // empty to full
        {20000, 30000, 20000, 240, false},  // held at the end of the range
        {19999, 30000, 20000, 240, true},
        {0, 41, 20000, 240, false},    // 0.49 pixel at the widest bar
        {0, 42, 20000, 240, true},     // 0.504: rounds to one pixel
    };
    for (const Row& r : rows)
        EXPECT_EQ(ProgressLooksDifferent(r.shown, r.position, r.range, r.width), r.different)
            << r.shown << " " << r.position << " " << r.range << " " << r.width;
}

// The fill of every bar width the control may draw with, computed apart from
// the rule: positions that the rule lets pass must draw the same pixels.
static bool DrawsAlike(unsigned a, unsigned b, unsigned range, unsigned clientWidth) {
    for (unsigned width = clientWidth - kProgressMarginPixels; width <= clientWidth; ++width) {
        double fa = static_cast<double>(a) * width / range, fb = static_cast<double>(b) * width / range;
        if (static_cast<long>(fa) != static_cast<long>(fb)) return false;
        if (static_cast<long>(fa + 0.5) != static_cast<long>(fb + 0.5)) return false;
    }
    return true;
}

TEST(ProgressLooksDifferent, SkippedPositionsDrawTheSamePixelsAndFewAreSent) {
    struct Row {
        unsigned files, width;
        unsigned mostSent;
    };
    const Row rows[] = {{20000, 240, 5000}, {313, 240, 313}, {65535, 200, 4000}, {7, 30, 7}};
    for (const Row& r : rows) {
        unsigned shown = 0, sent = 0;
        for (unsigned position = 1; position <= r.files; ++position) {
            if (ProgressLooksDifferent(shown, position, r.files, r.width)) {
                shown = position;
                ++sent;
            } else {
                ASSERT_TRUE(DrawsAlike(shown, position, r.files, r.width)) << r.files << " at " << position;
            }
        }
        EXPECT_LE(sent, r.mostSent) << r.files;
        EXPECT_GE(sent, std::min(r.files, r.width / 2)) << r.files;  // visible steps still come
    }
}
