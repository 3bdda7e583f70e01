#include "install/partial_copy_rules.h"

#include "common/script_rules.h"
#include "common/text_rules.h"

bool IsPartialCopyName(const std::string& fileName) {
    return UpperAscii(fileName) == UpperAscii(kPartialCopyName);
}

bool NameHoldsPartialCopyName(const std::string& relativeName) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = relativeName.find('\\', start);
        if (IsPartialCopyName(relativeName.substr(start, end == std::string::npos ? end : end - start))) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

std::string PartialCopyPath(const std::string& destination) {
    const std::size_t separator = destination.rfind('\\');
    if (separator == std::string::npos) return "";
    if (IsPartialCopyName(destination.substr(separator + 1))) return "";
    std::string path = destination.substr(0, separator + 1) + kPartialCopyName;
    return path.size() < kPathSize ? path : "";
}

bool HasReadOnlyAttribute(unsigned long attributes) {
    return attributes != 0xFFFFFFFFul && (attributes & 0x1ul) != 0;
}

unsigned long WritableAttributes(unsigned long attributes) {
    return attributes == 0xFFFFFFFFul ? attributes : attributes & ~0x1ul;
}

unsigned long CreatedCopyAttributes(unsigned long sourceAttributes) {
    const unsigned long kept = 0x2ul | 0x4ul | 0x20ul | 0x2000ul;  // hidden, system, archive, not indexed
    const unsigned long attributes = sourceAttributes == 0xFFFFFFFFul ? 0ul : sourceAttributes & kept;
    return attributes != 0 ? attributes : 0x80ul;
}
