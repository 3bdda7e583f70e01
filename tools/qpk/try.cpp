// qpk try: installs a medium as it will ship, under Wine, and holds the run
// against the plan. The work is the Wine bench's (bench/try_medium.py, which
// calls `qpk plan` and the bench's robot); this command finds the bench and
// the programs it runs beside its own binary and hands the arguments on:
//   build tree:  <build>/host/qpk, <build>/host/bench/ (a link to the source
//                tree's bench/), <build>/win32/ and <build>/win64/
//   installed:   <prefix>/bin/qpk, <prefix>/share/quorin-setup/bench/,
//                <prefix>/share/quorin-setup/win32/ and win64/; the Wine
//                prefixes in $XDG_CACHE_HOME/quorin-setup (~/.cache/...)
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "qpk.h"

// This program's own path and the folder that holds it.
static std::string ThisProgram() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    return std::string(path, static_cast<std::size_t>(length));
}

static std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

static bool Readable(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

// Where the Wine prefixes of an installed qpk are kept.
static std::string CacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache) return std::string(cache) + "/quorin-setup/wine";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.cache/quorin-setup/wine";
}

struct BenchPlace {
    std::string script;    // try_medium.py
    std::string programs;  // the folder that holds win32/ and win64/
    std::string wineDir;   // empty: the bench's default, <programs>/wine
};

static bool FindBench(const std::string& self, BenchPlace& place) {
    std::string folder = FolderOf(self);
    if (Readable(folder + "/bench/try_medium.py")) {
        place = {folder + "/bench/try_medium.py", FolderOf(folder), ""};
        return true;
    }
    std::string shared = FolderOf(folder) + "/share/quorin-setup";
    if (Readable(shared + "/bench/try_medium.py")) {
        place = {shared + "/bench/try_medium.py", shared, CacheFolder()};
        return true;
    }
    return false;
}

int TryCommand(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs("usage: qpk try <medium folder> [--cdrom] [--shots <folder>] [--screen 640x480|800x600|1024x768]\n"
                   "                [--keep] [--install-dir <path>] [--installed-version N] [--installed-path <path>]\n"
                   "                [--folder-exists|--folder-missing] [--answer NAME=yes|no]...\n"
                   "                [--after <full medium folder>]\n",
                   args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string self = ThisProgram();
    BenchPlace place;
    if (self.empty() || !FindBench(self, place)) {
        std::fprintf(stderr, "qpk try: the Wine bench is not beside %s (bench/ in a build tree, "
                             "../share/quorin-setup/bench after cmake --install)\n", self.c_str());
        return 2;
    }
    std::vector<std::string> command = {"python3", place.script, "--build", place.programs, "--qpk", self};
    if (!place.wineDir.empty()) command.insert(command.end(), {"--wine-dir", place.wineDir});
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& part : command) argv.push_back(&part[0]);
    argv.push_back(nullptr);
    std::fflush(stdout);
    execvp("python3", argv.data());
    std::perror("qpk try: cannot start python3");
    return 2;
}
