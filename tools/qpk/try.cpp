// qpk try: installs a medium as it will ship, under Wine, and holds the run
// against the plan. The work is the test bench's (tests/e2e/try_medium.py,
// which calls `qpk plan` and the bench's robot); this command finds the
// bench and the build this qpk belongs to and hands the arguments on.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "qpk.h"

// The build folder that holds this qpk: <build>/host/qpk.
static std::string BuildRootOfThisProgram() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    std::string self(path, static_cast<std::size_t>(length));
    std::size_t host = self.rfind('/');
    if (host == std::string::npos) return "";
    std::size_t build = self.rfind('/', host - 1);
    if (build == std::string::npos) return "";
    return self.substr(0, build);
}

int TryCommand(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs("usage: qpk try <medium folder> [--cdrom] [--shots <folder>] [--keep] [--install-dir <path>]\n"
                   "                [--installed-version N] [--installed-path <path>] [--answer NAME=yes|no]...\n",
                   args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string script = std::string(QS_SOURCE_DIR) + "/tests/e2e/try_medium.py";
    if (access(script.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "qpk try: the Wine bench %s is not there: qpk try runs from the source tree it was "
                             "built from\n", script.c_str());
        return 2;
    }
    std::string build = BuildRootOfThisProgram();
    std::vector<std::string> command = {"python3", script, "--build", build};
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& part : command) argv.push_back(&part[0]);
    argv.push_back(nullptr);
    std::fflush(stdout);
    execvp("python3", argv.data());
    std::perror("qpk try: cannot start python3");
    return 2;
}
