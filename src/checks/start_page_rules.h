// The start-page offer: the question built around the address and the data
// written to the browser's "Start Page" value. Portable: no Windows headers,
// no globals, no I/O.
#pragma once
#include <cstddef>
#include <string>

#include "common/script_rules.h"

// The browser setting the offer writes: HKEY_CURRENT_USER\<key>, value
// "Start Page" (REG_SZ); the key is opened, never created.
constexpr const char kStartPageKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char kStartPageValueName[] = "Start Page";

// The question's caption, and the notices after Yes: written, or the key
// could not be written (the installation goes on either way).
constexpr const char kStartPageCaption[] = "시작페이지 등록";
constexpr const char kStartPageDoneCaption[] = "시작페이지 등록 완료";
constexpr const char kStartPageDoneText[] = "등록이 완료되었습니다. 확인을 누르면 설치가 계속됩니다.";
constexpr const char kStartPageFailedText[] = "시작페이지를 등록하지 못했습니다. 확인을 누르면 설치가 계속됩니다.";

// The address, the sentence ending in two line breaks, 29 blanks and the
// question. The whole address is always shown, however long, so that the
// user sees exactly what Yes writes.
std::string StartPageQuestion(const std::string& url);

// Exactly kStartPageDataSize bytes: the address (at most 299 bytes, cut on a
// character boundary), then zero bytes.
std::string StartPageValueData(const std::string& url);
