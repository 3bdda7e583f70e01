// Value lines of the registry sections and the bytes they store: a number is
// 4 bytes, a text keeps its NUL within the 300-byte buffer after %EXEPATH%
// is replaced, binary data never exceeds its buffer.
#include "common/script_rules.h"
#include "fuzz_input.h"
#include "system/registry_rules.h"

static bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

static void CheckData(const ValueLine& value, const std::string& installDir) {
    RegistryValueData out;
    ValueLineStatus status = ValueDataFromLine(value, installDir, out);
    if (status == ValueLineStatus::TooLong) {
        FUZZ_REQUIRE(value.type == 1);
        return;
    }
    FUZZ_REQUIRE(status == ValueLineStatus::Ok);
    if (out.type == kRegDword) {
        FUZZ_REQUIRE(value.type == 0 && out.bytes.size() == 4);
        const std::uint32_t number = out.bytes[0] | out.bytes[1] << 8 | out.bytes[2] << 16 |
                                     static_cast<std::uint32_t>(out.bytes[3]) << 24;
        FUZZ_REQUIRE(number == DwordFromText(value.data));
    } else if (out.type == kRegSz) {
        FUZZ_REQUIRE(value.type == 1);
        FUZZ_REQUIRE(!out.bytes.empty() && out.bytes.size() <= kValueSize && out.bytes.back() == 0);
        if (value.data.find("%EXEPATH%") == std::string::npos)
            FUZZ_REQUIRE(std::string(out.bytes.begin(), out.bytes.end() - 1) == value.data);
    } else {
        FUZZ_REQUIRE(out.type == kRegBinary && value.type == 2);
        FUZZ_REQUIRE(out.bytes.size() <= kBinarySize && out.bytes == DecodeHexPairs(value.data));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> in = SplitFuzzInput(data, size, 2);
    ValueLine value;
    ValueLineStatus status = ParseValueLine(in[0], value);
    if (in[0].empty()) FUZZ_REQUIRE(status == ValueLineStatus::Incomplete);
    if (status == ValueLineStatus::Ok) {
        FUZZ_REQUIRE(value.type >= 0 && value.type <= 2);
        FUZZ_REQUIRE(value.name.find(',') == std::string::npos);
        const std::string beforeComma = in[0].substr(0, in[0].find(','));
        FUZZ_REQUIRE(beforeComma.size() >= value.name.size() &&
                     beforeComma.compare(beforeComma.size() - value.name.size(), value.name.size(), value.name) == 0);
        FUZZ_REQUIRE(in[0].size() >= value.data.size() &&
                     in[0].compare(in[0].size() - value.data.size(), value.data.size(), value.data) == 0);
        CheckData(value, in[1]);
    } else {
        FUZZ_REQUIRE(!ValueLineErrorText("HKEY_CURRENT_USER\\Software\\Quorin", 1, in[0], status).empty());
    }
    // Short decimal texts read as their number; anything reads without fault.
    const std::uint32_t number = DwordFromText(in[1]);
    if (AllDigits(in[1]) && in[1].size() <= 9) FUZZ_REQUIRE(number == std::stoul(in[1]));
    return 0;
}
