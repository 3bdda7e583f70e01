// Binary registry data written as hexadecimal pairs: one byte per whole pair
// up to the first character that is not a digit, a lone last digit dropped.
#include <algorithm>
#include <cctype>

#include "fuzz_input.h"
#include "system/registry_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t digits = 0;
    while (digits < text.size() && HexDigitValue(text[digits]) >= 0) ++digits;
    const std::vector<unsigned char> bytes = DecodeHexPairs(text);
    FUZZ_REQUIRE(bytes.size() == std::min(digits / 2, kBinarySize));
    for (size_t i = 0; i < bytes.size(); ++i)
        FUZZ_REQUIRE(bytes[i] == HexDigitValue(text[2 * i]) * 16 + HexDigitValue(text[2 * i + 1]));
    for (size_t i = 0; i < size; ++i) {
        const int value = HexDigitValue(static_cast<char>(data[i]));
        FUZZ_REQUIRE(value >= -1 && value <= 15);
        FUZZ_REQUIRE((value >= 0) == (std::isxdigit(data[i]) != 0));
    }
    return 0;
}
