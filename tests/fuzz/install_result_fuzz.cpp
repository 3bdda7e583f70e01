// The meaning of a VerInstallFileA result with any bits and any answers: the
// prompts come in their fixed order, each at most once, and every outcome is
// backed by a bit that asks for it.
#include "fuzz_input.h"
#include "install/shared_install_rules.h"

static const unsigned long kInUseBits = kVifFileInUse | kVifAccessViolation | kVifSharingViolation |
                                        kVifCannotDelete | kVifCannotRename | kVifCannotDeleteCur;

static unsigned long ResultFrom(const uint8_t* data, size_t size) {
    unsigned long result = 0;
    for (size_t i = 0; i < size && i < 4; ++i) result |= static_cast<unsigned long>(data[i]) << (8 * i);
    return result;
}

static void CheckOutcome(unsigned long result, InstallOutcome outcome, const std::vector<InstallPrompt>& asked,
                         const std::vector<bool>& answers) {
    for (size_t i = 1; i < asked.size(); ++i) FUZZ_REQUIRE(asked[i - 1] < asked[i]);
    FUZZ_REQUIRE(asked.size() <= 2);
    if (result & kVifCannotReadSrc) FUZZ_REQUIRE(outcome == InstallOutcome::End && asked.size() == 1);
    if (result == 0) FUZZ_REQUIRE(outcome == InstallOutcome::Installed && asked.empty());
    const bool lastYes = !answers.empty() && answers.back();
    switch (outcome) {
    case InstallOutcome::Installed: FUZZ_REQUIRE(result == 0); break;
    case InstallOutcome::Defer: FUZZ_REQUIRE(result & kInUseBits); break;
    case InstallOutcome::Force:
        FUZZ_REQUIRE(result & (kVifWriteProt | kVifCannotReadDst | kVifSrcOld | kVifMismatch));
        break;
    case InstallOutcome::Retry:
        FUZZ_REQUIRE((result & (kVifOutOfMemory | kVifOutOfSpace)) && lastYes);
        break;
    case InstallOutcome::End:
        FUZZ_REQUIRE(result & (kVifCannotReadSrc | kVifOutOfMemory | kVifOutOfSpace));
        break;
    case InstallOutcome::Skip:
        FUZZ_REQUIRE(result != 0 && (answers.empty() || !answers.back()));
        break;
    }
    for (InstallPrompt prompt : asked) {
        FUZZ_REQUIRE(InstallPromptStyle(prompt) != 0);
        FUZZ_REQUIRE(InstallPromptText(prompt).empty() == (prompt == InstallPrompt::LanguageDiffers));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const unsigned long result = ResultFrom(data, size);
    const uint8_t answerBits = size > 4 ? data[4] : 0;
    std::vector<InstallPrompt> asked;
    std::vector<bool> answers;
    InstallOutcome outcome = DecideInstallOutcome(result, [&](InstallPrompt prompt) {
        asked.push_back(prompt);
        answers.push_back(((answerBits >> (asked.size() - 1)) & 1) != 0);
        return answers.back();
    });
    CheckOutcome(result, outcome, asked, answers);

    unsigned language = 0xFFFFFFFF;
    const bool haveLanguage = TranslationLanguage(data, size, language);
    FUZZ_REQUIRE(haveLanguage == (size >= 4));
    if (haveLanguage) FUZZ_REQUIRE(language == (data[0] | static_cast<unsigned>(data[1]) << 8));
    const SharedDestination destination = DestinationOfRecord(result, static_cast<int>(answerBits) - 128);
    if (result == 0 || answerBits < 128 || answerBits > 129) FUZZ_REQUIRE(destination == SharedDestination::None);
    return 0;
}
