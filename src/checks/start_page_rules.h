// The start-page offer: the question built around the address and the data
// written to the browser's "Start Page" value. Portable: no Windows headers,
// no globals, no I/O.
#pragma once
#include <cstddef>
#include <string>

#include "common/script_rules.h"

// The address, the sentence ending in two line breaks, 29 blanks and the
// question. The whole address is always shown, however long, so that the
// user sees exactly what Yes writes.
std::string StartPageQuestion(const std::string& url);

// Exactly kStartPageDataSize bytes: the address (at most 299 bytes, cut on a
// character boundary), then zero bytes.
std::string StartPageValueData(const std::string& url);
