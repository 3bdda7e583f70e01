// The start-page offer: asks whether title line 2's address should become the
// browser's start page and, on Yes, writes it for the current user.
#include <string>

#include "checks/checks.h"
#include "checks/start_page_rules.h"
#include "common/scoped.h"

// Sets "Start Page" in the existing browser key; the key is never created.
static bool WriteStartPage(const std::string& data) {
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kStartPageKey, 0, KEY_WRITE, key.Receive()) != ERROR_SUCCESS) return false;
    return RegSetValueExA(key.Get(), kStartPageValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

void OfferStartPage() {
    std::string question = StartPageQuestion(g_startPageUrl);
    if (MessageBoxA(nullptr, question.c_str(), kStartPageCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    if (WriteStartPage(StartPageValueData(g_startPageUrl)))
        MessageBoxA(nullptr, kStartPageDoneText, kStartPageDoneCaption, MB_ICONINFORMATION);
    else
        MessageBoxA(nullptr, kStartPageFailedText, kStartPageCaption, MB_ICONERROR);
}
