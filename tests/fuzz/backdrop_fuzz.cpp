// The backdrop's colour and title lines, the folder dialog's entry and intro
// text and the start-page data: no read or write outside the texts, every
// result within the buffer it is bound for, no double-byte character cut.
#include "checks/folder_rules.h"
#include "checks/start_page_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "fuzz_input.h"
#include "common/paint_rules.h"

static void RequireWholeCharacters(const std::string& cut, const std::string& text, std::size_t maxBytes) {
    FUZZ_REQUIRE(cut.size() <= maxBytes);
    FUZZ_REQUIRE(text.compare(0, cut.size(), cut) == 0);
    FUZZ_REQUIRE(CutText(text, cut.size()) == cut);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> in = SplitFuzzInput(data, size, 3);
    ColourLine colour = ParseColourLine(in[0]);
    FUZZ_REQUIRE(colour.colour <= 0xFFFFFF);
    std::vector<Band> bands = RampBands(colour.rampKind, 0, static_cast<int>(in[0].size()));
    FUZZ_REQUIRE(bands.size() == (in[0].size() + kBandHeight - 1) / kBandHeight);
    for (const Band& band : bands) FUZZ_REQUIRE(band.colour <= 0xFFFFFF);

    TitleLine title;
    if (ParseTitleLine(in[0], title)) {
        RequireWholeCharacters(title.face, title.face, kFaceNameBytes);
        FUZZ_REQUIRE(!title.text.empty() && title.text.size() <= in[0].size());
        FUZZ_REQUIRE(title.colour <= 0xFFFFFF);
    }
    RequireWholeCharacters(StartPageUrlFromTitle(in[0]), in[0], kValueSize - 2);
    FUZZ_REQUIRE(StartPageValueData(in[0]).size() == kStartPageDataSize);

    std::string folder = "unchanged";
    if (AcceptFolderEntry(in[0], folder) == FolderEntry::Accepted) {
        FUZZ_REQUIRE(folder.size() < kPathSize && folder.size() + 1 >= in[0].size());
    } else {
        FUZZ_REQUIRE(folder == "unchanged" && in[0].size() >= kPathSize);
    }
    FUZZ_REQUIRE(FormatIntroText(in[0], in[1], in[2]).size() < kIntroTextSize);
    return 0;
}
