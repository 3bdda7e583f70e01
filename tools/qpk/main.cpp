// qpk build <folder> -o <manifest> [--cluster <bytes>] [--exclude <name>]...
// qpk list <manifest>
// qpk bench [<entries>]
// qpk check <medium folder> [options]
// qpk plan <medium folder> [--install-dir <path>] [options]
// qpk iso <medium folder> -o <image.iso> [--label <label>] [--autorun]
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "qpk.h"

static bool Convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result(in.size() * 4 + 4, '\0');
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = &result[0];
    std::size_t outLeft = result.size();
    std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || inLeft != 0) return false;
    result.resize(result.size() - outLeft);
    out = result;
    return true;
}

bool Utf8ToCp949(const std::string& utf8, std::string& cp949) {
    return Convert("CP949", "UTF-8", utf8, cp949);
}

bool Cp949ToUtf8(const std::string& cp949, std::string& utf8) {
    return Convert("UTF-8", "CP949", cp949, utf8);
}

std::string PrintableName(const std::string& cp949) {
    std::string utf8;
    bool plain = Cp949ToUtf8(cp949, utf8);
    for (unsigned char c : utf8)
        if (c < 0x20 || c == 0x7F) plain = false;
    if (plain) return utf8;
    std::string out;
    for (unsigned char c : cp949) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

static void PrintUsage() {
    std::fputs("usage:\n"
               "  qpk build <folder> -o <manifest> [--cluster <bytes>] [--exclude <name>]...\n"
               "      writes the manifest of every file below <folder>, in name order, with the\n"
               "      bytes they need on disk (each file rounded up to whole clusters, default 4096).\n"
               "      Setup.exe, Setup.ini and Quorin.qpk directly in <folder> are left out;\n"
               "      --exclude leaves out more (for example the shared files of [Shared File]).\n"
               "  qpk list <manifest>\n"
               "      prints the total size, the count and the names; reports a defect with its offset.\n"
               "  qpk bench [<entries>]\n"
               "      times the reading of generated manifests of growing size.\n"
               "  qpk check <medium folder> [--json] [--install-dir <path>] [machine options]\n"
               "      reports what the setup program will skip, cut, refuse or stop at in Setup.ini\n"
               "      and Quorin.qpk; exit status 0 clean, 1 warnings only, 2 errors.\n"
               "  qpk plan <medium folder> [--json] [--install-dir <path>] [machine options]\n"
               "      prints what an installation on a clean machine does, in the program's order.\n"
               "  qpk iso <medium folder> -o <image.iso> [--label <label>] [--autorun]\n"
               "      writes a disc image of the medium (ISO 9660 with Joliet and Rock Ridge names,\n"
               "      by xorriso). The label: 1 to 16 letters A-Z, digits, _ (default: from the folder\n"
               "      name). --autorun adds autorun.inf (open=Setup.exe). Refuses, listing every\n"
               "      problem, names the disc cannot hold and a medium that would not install: exit\n"
               "      status 2, nothing written.\n"
               "  machine options: --source-folder, --windows-dir, --system-dir, --programs, --desktop\n"
               "      (Windows paths), --cluster <bytes>. A UTF-8 Setup.ini is detected and read as CP949.\n",
               stderr);
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintUsage();
        return 2;
    }
    std::string command = args[0];
    args.erase(args.begin());
    if (command == "build") return BuildCommand(args);
    if (command == "list") return ListCommand(args);
    if (command == "bench") return BenchCommand(args);
    if (command == "check") return CheckCommand(args);
    if (command == "plan") return PlanCommand(args);
    if (command == "iso") return IsoCommand(args);
    PrintUsage();
    return 2;
}
