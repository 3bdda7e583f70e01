// The first bytes of a Windows program as the medium's tests give them: the
// "MZ" header pointing at the "PE" signature at 0x40.
#pragma once
#include <string>

inline std::string ProgramImageHead() {
    std::string head(0x44, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    head[0x3C] = 0x40;
    head.replace(0x40, 4, std::string("PE\0\0", 4));
    return head;
}
