// What the player's screen shows of the script: the title lines against the
// backdrop at the three screen sizes of the players' machines, the folder
// "Default Path" proposes, and the address the start-page offer shows.
#include <cstdio>
#include <string>
#include <vector>

#include "checks/disk_space_rules.h"
#include "checks/start_page_rules.h"
#include "common/paint_rules.h"
#include "common/profile_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "medium/player_machine_rules.h"
#include "stages/sequence_rules.h"

namespace {

std::string Number(long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    return text;
}

struct Screen {
    int width, height;
    const char* name;
};
// The full-screen backdrop on the screens players have: the smallest the
// setup runs on, the common one of its time, and the common larger one.
const Screen kScreens[] = {{640, 480, "640x480"}, {800, 600, "800x600"}, {1024, 768, "1024x768"}};

// Where the paint draws a title line, and its shadow.
constexpr int kTitleX = 20;
constexpr int kShadowOffset = 3;

// The font's character height in pixels for a LOGFONT height: a negative
// height is the character height itself, a positive one the cell height,
// taken here as the character height (the character is at most that high).
// Heights beyond any screen are taken as this one.
constexpr int kLargestHeight = 100000;

int CharacterHeight(int height) {
    if (height < -kLargestHeight || height > kLargestHeight) return kLargestHeight;
    return height < 0 ? -height : height;
}

// The width of a text of code page 949 in a font whose characters are `em`
// pixels high, estimated where the font itself is not at hand: a double-byte
// character (Hangul, Hanja) as wide as the font is high, as in every Korean
// font; a single-byte character (letter, digit, blank) half as wide, as the
// half-width letters of the Korean fonts are.
long long EstimatedWidth(const std::string& text, int em, std::size_t end = std::string::npos) {
    long long width = 0;
    for (std::size_t i = 0; i < text.size() && i < end;) {
        bool wide = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        width += wide ? em : (em + 1) / 2;
        i += wide ? 2 : 1;
    }
    return width;
}

// The longest start of the text (whole characters) whose estimated width
// fits `room` pixels.
std::string VisiblePart(const std::string& text, int em, long long room) {
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t length = IsLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (EstimatedWidth(text, em, end + length) > room) break;
        end += length;
    }
    return text.substr(0, end);
}

std::string HowEstimated(const std::string& face, int em) {
    return "estimated, as the font " + Quote(face) + " is not at hand here: each double-byte (Korean) character "
           "as wide as the font's character height of " + Number(em) + " pixels, each single-byte character half "
           "as wide";
}

// The screens on which a text drawn from `left` (its right edge `extra`
// pixels further) is cut; "" when it fits all three.
std::string ScreensCut(long long right, const Screen** smallestFit) {
    std::string cut;
    *smallestFit = nullptr;
    for (const Screen& screen : kScreens) {
        if (right <= screen.width) {
            if (*smallestFit == nullptr) *smallestFit = &screen;
            continue;
        }
        cut += std::string(cut.empty() ? "" : ", ") + screen.name;
    }
    return cut;
}

}  // namespace

int CheckTitleOnScreen(PlayerMachine& machine, const std::string& key, const TitleLine& title, int top) {
    const int em = CharacterHeight(title.height);
    if (em == 0) return 0;  // the system's default size: not estimated
    const int shadow = title.shadow ? kShadowOffset : 0;
    const long long width = EstimatedWidth(title.text, em);
    const long long right = kTitleX + width + shadow;
    const Screen* fits = nullptr;
    const std::string cut = ScreensCut(right, &fits);
    if (!cut.empty()) {
        const Screen& smallest = kScreens[0];
        const bool common = right > kScreens[1].width;  // cut on 800x600 too
        // The height at which the line fits the screen it is to fit: 800x600,
        // or 640x480 where only that one cuts it.
        const Screen& target = common ? kScreens[1] : kScreens[0];
        int fitEm = 1, tooHigh = em;  // the largest height that fits lies in [fitEm, tooHigh)
        while (tooHigh - fitEm > 1) {
            const int middle = fitEm + (tooHigh - fitEm) / 2;
            (kTitleX + EstimatedWidth(title.text, middle) + shadow <= target.width ? fitEm : tooHigh) = middle;
        }
        machine.Add(common ? Severity::Warning : Severity::Info, "title-too-wide", "Title", key,
                    "title line " + key + " " + Quote(title.text) + " is about " + Number(width) +
                        " pixels wide from x = " + Number(kTitleX) + " (" + HowEstimated(title.face, em) +
                        "): wider than the screen at " + cut,
                    "on a " + std::string(smallest.name) + " screen the player sees only " +
                        Quote(VisiblePart(title.text, em, smallest.width - kTitleX - shadow)) +
                        ", the rest is cut at the right edge" +
                        (fits ? std::string("; it fits ") + fits->name + " and larger" : std::string()),
                    "shorten the text or split it over two title lines, or make the font smaller: height " +
                        std::string(title.height < 0 ? "-" : "") + Number(fitEm) + " fits " + target.name);
    }
    const long long bottom = static_cast<long long>(top) + em;
    if (bottom > kScreens[0].height) {
        const bool common = bottom > kScreens[1].height;
        std::string screens;
        for (const Screen& screen : kScreens)
            if (bottom > screen.height) screens += std::string(screens.empty() ? "" : ", ") + screen.name;
        machine.Add(common ? Severity::Warning : Severity::Info, "title-below-screen", "Title", key,
                    "title line " + key + " is drawn from y = " + Number(top) + " and is at least " + Number(em) +
                        " pixels high (the lines above it move it down by their own heights): its bottom, y = " +
                        Number(bottom) + ", is below the screen at " + screens,
                    std::string(top >= kScreens[0].height ? "on a 640x480 screen the player does not see the line at all"
                                                          : "on a 640x480 screen the line is cut at the bottom edge"),
                    "make the lines above it smaller, or put fewer lines on the backdrop");
    }
    return em;
}

void CheckDefaultTitleOnScreen(PlayerMachine& machine) {
    const Profile& profile = machine.m_profile;
    const std::string text = DefaultTitleText(ProfileString(profile, "Main", "Name", kProductNameSize),
                                              ProfileString(profile, "Main", "Version", kProductVersionSize));
    std::string cut, visible;
    const Screen* fits = nullptr;
    long long widthAtSmallest = 0;
    int emAtSmallest = 0;
    for (const Screen& screen : kScreens) {
        const DefaultTitleLayout layout = LayoutDefaultTitle(screen.width, screen.height);
        const long long right = layout.shadowX + EstimatedWidth(text, layout.height);
        if (&screen == &kScreens[0]) {
            widthAtSmallest = EstimatedWidth(text, layout.height);
            emAtSmallest = layout.height;
            visible = VisiblePart(text, layout.height, screen.width - layout.shadowX);
        }
        if (right <= screen.width) {
            if (fits == nullptr) fits = &screen;
            continue;
        }
        cut += std::string(cut.empty() ? "" : ", ") + screen.name;
    }
    if (cut.empty()) return;
    const bool common = fits == nullptr || fits->width > kScreens[1].width;
    machine.Add(common ? Severity::Warning : Severity::Info, "title-too-wide", "Main", "Name",
                "[Title] has no lines, so the backdrop shows the default title " + Quote(text) +
                    ", a twentieth of the screen high: about " + Number(widthAtSmallest) + " pixels wide on 640x480 (" +
                    HowEstimated("궁서", emAtSmallest) + "): wider than the screen at " + cut,
                "on a 640x480 screen the player sees only " + Quote(visible) + ", the rest is cut at the right edge" +
                    (fits ? std::string("; it fits ") + fits->name + " and larger" : std::string()),
                "write a shorter Name, or title lines of your own in [Title]");
}

void CheckDefaultPathDrive(PlayerMachine& machine) {
    const ProfileEntry* path = FindProfileEntry(machine.m_profile, "Main", "Default Path");
    if (path == nullptr || path->value.size() < 2 || path->value[1] != ':') return;
    const char drive = UpperAscii(path->value[0]);
    if (drive < 'A' || drive > 'Z' || drive == 'C') return;
    const bool dialog = FolderDialogShown(ProfileInt(machine.m_profile, "Main", "Change Path", 1));
    const std::string letter = std::string(1, drive) + ":";
    const std::string& source = machine.m_context.sourceFolder;
    const bool sourceDrive = !source.empty() && UpperAscii(source[0]) == drive;
    const std::string notice = "\"" + std::string(kNotFixedDiskText) + "\" (" + kNoticeCaption + ")";
    std::string rest = path->value.substr(2);
    machine.Add(dialog ? Severity::Info : Severity::Warning, "default-path-drive", "Main", "Default Path",
                "Default Path " + Quote(path->value) + " lies on drive " + letter +
                    ", which is no hard disk on most players' machines (often the CD drive, or no drive at all)" +
                    (sourceDrive ? "; here it is the drive the medium itself is read from (" + source + ")" : ""),
                dialog ? "a player without a hard disk " + letter + " sees " + notice +
                             " after confirming the folder dialog, then the dialog again with the same folder, until "
                             "he types a folder on a hard disk"
                       : "a player without a hard disk " + letter + " sees " + notice +
                             "; without the folder dialog (Change Path is not 1) there is no other folder to choose: " +
                             "the installation ends with \"" + std::string(kUnusableFolderText) + "\" (" +
                             kScriptErrorCaption + ", exit -1)",
                "propose a folder on C:, the drive every player has: Default Path=C:" +
                    (rest.empty() ? std::string("\\Games\\<game>") : rest));
}

// An address the browser opens as its start page: http:// or https:// and a
// host, or a host that begins with www.; no blank in it.
static bool IsWebAddress(const std::string& text) {
    if (text.find_first_of(" \t") != std::string::npos) return false;
    const std::string upper = UpperAscii(text);
    for (const char* scheme : {"HTTP://", "HTTPS://"}) {
        const std::string s = scheme;
        if (upper.compare(0, s.size(), s) == 0) return upper.size() > s.size() && upper[s.size()] != '/';
    }
    return upper.compare(0, 4, "WWW.") == 0 && upper.size() > 4;
}

void CheckStartPageOffer(PlayerMachine& machine) {
    const SetupState& state = machine.m_state;
    if (!FolderDialogShown(state.changePath)) return;
    const std::string& url = state.startPageUrl;
    if (IsWebAddress(url)) return;
    const Profile& profile = machine.m_profile;
    const std::string question = StartPageQuestion(url);
    const std::string firstLine = question.substr(0, question.find('\n'));
    std::string text;
    if (!url.empty()) {
        text = "title line 2 " + Quote(url) + " is no web address, yet with the folder dialog (Change Path=1) the "
               "program offers the text of title line 2 as the browser's start page";
    } else {
        const int count = ProfileInt(profile, "Title", "Count", 0);
        text = std::string(count < 2 ? "[Title] has no line 2 (Count " + Number(count) + ")"
                                     : "title line 2 is skipped or has no text") +
               ", yet with the folder dialog (Change Path=1) the program offers the text of title line 2 as the "
               "browser's start page: the offer has no address";
    }
    machine.Add(Severity::Warning, "start-page-not-url", "Title", "2", text,
                "after the folder dialog the player is asked " + Quote(firstLine) + " (" + kStartPageCaption +
                    "); Yes makes " + (url.empty() ? std::string("an empty text") : Quote(url)) +
                    " the browser's start page, which then opens no page",
                "make title line 2 the web address to offer: 2=굴림, -20, 255255000, 0, http://www.<game>.example/");
}
