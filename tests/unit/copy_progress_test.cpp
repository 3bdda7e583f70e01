// The copy loop's shortcuts: the folder walk once per folder part, and the
// window tended once per frame, with the progress update only when the bar
// would draw something else.
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

TEST(FolderWalk, StartsBelowTheDeepestWholePart) {
    std::set<std::string> made;
    RememberMadeFolders(made, "");
    EXPECT_TRUE(made.empty());
    RememberMadeFolders(made, "data\\maps\\north");
    EXPECT_EQ(made, (std::set<std::string>{"data", "data\\maps", "data\\maps\\north"}));
    RememberMadeFolders(made, "\xB5\xA5\xC0\xCC\xC5\xCD\\\xB8\xCA");  // "데이터\맵"
    struct Row {
        const char* folderPart;
        const char* parent;
    };
    const Row rows[] = {
        {"data\\maps\\south", "data\\maps"},
        {"data\\sounds", "data"},
        {"data\\maps\\north\\a\\b", "data\\maps\\north"},
        {"data", ""},             // a part's own name is no parent of it
        {"dat\\maps", ""},
        {"Data\\maps", ""},     // byte for byte, as the walk check
        {"datamaps\\x", ""},    // "data" is a prefix, not a part
        {"\\data\\x", ""},    // a leading separator is no part
        {"\xB5\xA5\xC0\xCC\xC5\xCD\\\xB8\xCA\\x", "\xB5\xA5\xC0\xCC\xC5\xCD\\\xB8\xCA"},
        {"", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(LongestMadeParent(made, row.folderPart), row.parent) << row.folderPart;
}

TEST(FolderWalk, StartFolderAndTheLevelsLeft) {
    const std::set<std::string> made = {"data", "data\\maps"};
    const std::string longFolder = "C:\\" + std::string(250, 'g');  // + "\\data\\maps" passes 259
    struct Row {
        std::string installDir;
        const char* folderPart;
        std::string base;
        const char* below;
    };
    const Row rows[] = {
        {"C:\\Games", "data\\maps\\north", "C:\\Games\\data\\maps", "north"},
        {"C:\\Games", "data\\sounds\\fx", "C:\\Games\\data", "sounds\\fx"},
        {"C:\\Games", "music\\a", "C:\\Games", "music\\a"},        // nothing above is whole
        {"C:\\", "data\\x", "C:\\data", "x"},                          // a drive root as the folder
        {longFolder, "data\\maps\\x", longFolder, "data\\maps\\x"},  // the base would not fit
    };
    for (const Row& r : rows) {
        const FolderWalkStart start = WalkStartFor(made, r.installDir, r.folderPart);
        EXPECT_EQ(start.base, r.base) << r.folderPart;
        EXPECT_EQ(start.below, r.below) << r.folderPart;
    }
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

TEST(TurnAfterCopiedFile, OncePerFrameAndAlwaysAfterTheLastFile) {
    struct Row {
        unsigned shown, position, range;
        double ms;
        bool last;
        bool send, drain;
    };
    const Row rows[] = {
        {0, 1, 100, 0.0, false, false, false},             // within the frame: nothing
        {0, 1, 100, kCopyFrameMs - 0.1, false, false, false},
        {0, 1, 100, kCopyFrameMs, false, true, true},      // a frame later: a new bar and the queue
        {0, 1, 100, 5 * kCopyFrameMs, false, true, true},
        {0, 1, 100, -1.0, false, false, false},            // a counter that went back waits
        {0, 1, 20000, kCopyFrameMs, false, false, true},   // the same bar: only the queue
        {0, 1, 20000, 0.0, true, true, true},    // the last file is always shown
        {2000, 2000, 2000, 0.0, true, true, true},
    };
    for (const Row& r : rows) {
        const CopyLoopTurn turn = TurnAfterCopiedFile(r.shown, r.position, r.range, 240, r.ms, r.last);
        EXPECT_EQ(turn.sendPosition, r.send) << r.position << "/" << r.range << " " << r.ms;
        EXPECT_EQ(turn.drainQueue, r.drain) << r.position << "/" << r.range << " " << r.ms;
    }
}

// A copy of files that take a fixed time each, as the loop runs it: the window
// is tended at most once per frame, never left longer than a frame and a file,
// and the bar ends on the last position.
TEST(TurnAfterCopiedFile, SimulatedCopies) {
    struct Row {
        unsigned files;
        double msPerFile;
    };
    const Row rows[] = {{20000, 0.5}, {2000, 0.05}, {20, 2500.0}, {313, 16.0}, {1, 1.0}};
    for (const Row& r : rows) {
        double now = 0, lastTurn = 0, longestWait = 0;
        unsigned shown = 0, turns = 0;
        for (unsigned position = 1; position <= r.files; ++position) {
            now += r.msPerFile;
            const CopyLoopTurn turn = TurnAfterCopiedFile(shown, position, r.files, 240, now - lastTurn,
                                                          position == r.files);
            if (turn.sendPosition) shown = position;
            if (turn.drainQueue) {
                longestWait = std::max(longestWait, now - lastTurn);
                lastTurn = now;
                ++turns;
            }
        }
        EXPECT_EQ(shown, r.files) << r.files;
        EXPECT_LE(turns, now / kCopyFrameMs + 1) << r.files;
        EXPECT_LE(longestWait, kCopyFrameMs + r.msPerFile) << r.files;
    }
}
