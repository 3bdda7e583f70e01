// Text helpers for the program's byte texts (Korean code page 949): cutting a
// text to a byte budget without splitting a double-byte character, and
// reading a number field the way atoi does.
#pragma once
#include <cstddef>
#include <string>

// The longest start of text that fits maxBytes bytes and ends on a character
// boundary: a double-byte character (lead byte 0x81..0xFE) is kept whole or
// dropped whole.
std::string CutText(const std::string& text, std::size_t maxBytes);

// A number as atoi reads it: leading white space, an optional sign, decimal
// digits; 0 when there are none. Values beyond the int range saturate.
int NumberFieldValue(const std::string& field);
