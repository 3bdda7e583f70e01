// %EXEPATH% expansion: never writes past its bound, and a refused expansion
// leaves the output as it was.
#include "common/script_rules.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> in = SplitFuzzInput(data, size, 2);
    std::string out = "unchanged";
    if (ExpandExePathText(in[0], in[1], out)) {
        FUZZ_REQUIRE(out.size() < kValueSize);
        if (in[0].find("%EXEPATH%") == std::string::npos) FUZZ_REQUIRE(out == in[0]);
    } else {
        FUZZ_REQUIRE(out == "unchanged");
    }
    return 0;
}
