// Splitting one fuzz input into the several texts a rule takes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The input cut at NUL bytes into at most `parts` texts (missing ones empty).
inline std::vector<std::string> SplitFuzzInput(const uint8_t* data, size_t size, size_t parts) {
    std::vector<std::string> texts(parts);
    size_t index = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && index + 1 < parts) {
            ++index;
            continue;
        }
        texts[index] += static_cast<char>(data[i]);
    }
    return texts;
}

#define FUZZ_REQUIRE(condition) \
    do {                        \
        if (!(condition)) __builtin_trap(); \
    } while (0)
