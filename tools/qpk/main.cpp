// qpk build <folder> -o <manifest> [--cluster <bytes>] [--exclude <name>]...
// qpk list <manifest>
// qpk bench [<entries>]
// qpk check <medium folder> [options]
// qpk plan <medium folder> [--install-dir <path>] [options]
// qpk try <medium folder> [--cdrom] [--shots <folder>] [--screen WxH] [--after <full medium>] [plan options]
// qpk iso <medium folder> -o <image.iso> [--label <label>] [--autorun] [--strict]
// qpk convert <Setup.ini>
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "qpk.h"

static bool Convert(const char* to, const char* from, const std::string& in, std::string& out,
                    std::size_t* failedOffset = nullptr) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result(in.size() * 4 + 4, '\0');
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = &result[0];
    std::size_t outLeft = result.size();
    std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (failedOffset != nullptr) *failedOffset = in.size() - inLeft;
    if (done == static_cast<std::size_t>(-1) || inLeft != 0) return false;
    result.resize(result.size() - outLeft);
    out = result;
    return true;
}

bool Utf8ToCp949(const std::string& utf8, std::string& cp949, std::size_t* failedOffset) {
    return Convert("CP949", "UTF-8", utf8, cp949, failedOffset);
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

static void PrintUsage(std::FILE* out) {
    std::fputs("usage:\n"
               "  qpk build <folder> -o <manifest> [--cluster <bytes>] [--exclude <name>]...\n"
               "      writes the manifest of every file below <folder>, in name order, with the\n"
               "      bytes they need on disk (each file rounded up to whole clusters, default 4096).\n"
               "      Setup.exe, Setup.ini, Quorin.qpk and autorun.inf directly in <folder> are left out;\n"
               "      --exclude leaves out more (for example the shared files of [Shared File]).\n"
               "  qpk list <manifest>\n"
               "      prints the total size, the count and the names; reports a defect with its offset.\n"
               "  qpk bench [<entries>]\n"
               "      times the reading of generated manifests of growing size.\n"
               "  qpk check <medium folder> [--json] [--install-dir <path>] [machine and case options]\n"
               "      reports what the setup program will skip, cut, refuse or stop at in Setup.ini,\n"
               "      Quorin.qpk and the medium's files, every line whatever the machine; exit status\n"
               "      0 clean, 1 warnings only, 2 errors.\n"
               "  qpk plan <medium folder> [--json] [--install-dir <path>] [machine and case options]\n"
               "      prints what an installation does, in the program's order, on the machine and\n"
               "      with the answers the options give (by default a clean machine); its first line\n"
               "      says which case it planned.\n"
               "  qpk try <medium folder> [--cdrom] [--shots <folder>] [--screen WxH] [--after <full medium>]\n"
               "          [plan options]\n"
               "      installs the medium as it ships under Wine (headless), answering as the plan\n"
               "      assumes; prints what the player saw and what was installed and holds it\n"
               "      against the plan: exit status 0 same, 1 differences, 2 cannot be tried.\n"
               "      --shots pictures every window (named after it) on a screen of 640x480, 800x600\n"
               "      or 1024x768 (--screen); --after installs a full medium first and the medium, its\n"
               "      update, over it in the same prefix, each held against its own plan.\n"
               "  qpk iso <medium folder> -o <image.iso> [--label <label>] [--autorun] [--strict]\n"
               "      writes a disc image of the medium (ISO 9660 with Joliet and Rock Ridge names,\n"
               "      by xorriso). The label: 1 to 16 letters A-Z, digits, _ (default: from the folder\n"
               "      name). --autorun adds autorun.inf (open=Setup.exe). Refuses, listing every\n"
               "      problem, names the disc cannot hold, a medium that would not install and one\n"
               "      whose Quorin.qpk no longer matches its files (with the qpk build that mends it);\n"
               "      --strict refuses every warning of qpk check too: exit status 2, nothing written.\n"
               "  qpk convert <Setup.ini>\n"
               "      rewrites a script in UTF-8 (with or without a byte-order mark, LF or CRLF line\n"
               "      ends) in code page 949 with CRLF line ends, keeping the original beside the\n"
               "      medium folder (<folder>-Setup.ini.bak); refuses, naming its line, a character\n"
               "      with no code page 949 form. A script already in code page 949 is left as it is.\n"
               "  qpk --help, qpk -h\n"
               "      prints this text.\n"
               "  --install-dir <path>     the folder the player installs to (replaces \"Default Path\"\n"
               "                           and a recorded folder)\n"
               "  machine options (Windows paths, as the program sees them):\n"
               "    --source-folder <path> the medium's folder (default D:\\)\n"
               "    --windows-dir <path>   the Windows folder (default C:\\windows)\n"
               "    --system-dir <path>    the system folder (default C:\\windows\\system32)\n"
               "    --programs <path>      the player's Programs folder of the Start menu\n"
               "    --desktop <path>       the player's desktop folder\n"
               "    --cluster <bytes>      the disk's cluster size for the manifest's total (default 4096)\n"
               "  case options (the earlier installation and the player's answers):\n"
               "    --installed-version <n>  the number the version check reads (default 0: none)\n"
               "    --installed-path <path>  the install folder an earlier installation recorded; it\n"
               "                             replaces \"Default Path\" in every mode\n"
               "    --folder-exists, --folder-missing\n"
               "                             whether the install folder is there before; by default it\n"
               "                             is exactly when the earlier installation recorded it\n"
               "    --answer overwrite=yes|no      the same- or newer-version question (default yes)\n"
               "    --answer start-page=yes|no     the start-page offer (default no)\n"
               "    --answer create-folder=yes|no  the question to create the folder (default yes)\n"
               "  A Setup.ini in UTF-8 is an error (the player sees its Korean texts garbled; qpk convert\n"
               "  mends it); it is checked as converted to code page 949.\n",
               out);
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    std::string command = args[0];
    args.erase(args.begin());
    if (command == "build") return BuildCommand(args);
    if (command == "list") return ListCommand(args);
    if (command == "bench") return BenchCommand(args);
    if (command == "check") return CheckCommand(args);
    if (command == "plan") return PlanCommand(args);
    if (command == "try") return TryCommand(args);
    if (command == "iso") return IsoCommand(args);
    if (command == "convert") return ConvertCommand(args);
    PrintUsage(stderr);
    return 2;
}
