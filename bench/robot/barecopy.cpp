// The baseline of the copy benchmark: copies a list of files with nothing but
// CopyFileA, creating each folder once, and prints how long the copy took.
//
//   barecopy.exe [--new | --part] <source folder> <list file> <destination folder>
//
// With --new every copy only creates a new file (CopyFileA's bFailIfExists
// TRUE); without it each copy may overwrite (FALSE), the plain loop. With
// --part each file is copied as a new file under the program's temporary
// name (kPartialCopyName) beside its destination and moved over the final name
// (MoveFileExA, MOVEFILE_REPLACE_EXISTING): a replacement through a whole
// copy made of the two stock calls, and nothing else.
//
// The list file holds one relative name per line (backslashes). Reading it is
// not timed; the copy is, from the first folder to the last file. Prints
// "files <n>", "failed <n>" and "copy_ms <milliseconds>"; exit code 0 when
// every file was copied.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "install/partial_copy_rules.h"

static std::vector<std::string> ReadList(const char* path) {
    std::vector<std::string> names;
    FILE* file = fopen(path, "rb");
    if (!file) return names;
    char line[1024];
    while (fgets(line, sizeof line, file)) {
        std::string name = line;
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        if (!name.empty()) names.push_back(name);
    }
    fclose(file);
    return names;
}

// Creates every level of a folder below the destination the first time the
// folder is met; later files of the same folder cost nothing.
static void CreateFolderOnce(const std::string& destination, const std::string& name, std::set<std::string>& made) {
    size_t last = name.rfind('\\');
    if (last == std::string::npos) return;
    std::string folder = name.substr(0, last);
    if (!made.insert(folder).second) return;
    for (size_t at = folder.find('\\'); ; at = folder.find('\\', at + 1)) {
        std::string level = destination + "\\" + folder.substr(0, at);
        CreateDirectoryA(level.c_str(), nullptr);
        if (at == std::string::npos) break;
    }
}

static double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int main(int argc, char** argv) {
    const bool onlyNew = argc > 1 && std::string(argv[1]) == "--new";
    const bool throughPart = argc > 1 && std::string(argv[1]) == "--part";
    if (onlyNew || throughPart) {
        --argc;
        ++argv;
    }
    if (argc != 4) {
        fprintf(stderr, "usage: barecopy.exe [--new | --part] <source folder> <list file> <destination folder>\n");
        return 2;
    }
    std::string source = argv[1];
    std::string destination = argv[3];
    std::vector<std::string> names = ReadList(argv[2]);
    std::set<std::string> made;
    int failed = 0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (const std::string& name : names) {
        CreateFolderOnce(destination, name, made);
        std::string from = source + "\\" + name;
        std::string to = destination + "\\" + name;
        if (throughPart) {
            std::string part = to.substr(0, to.rfind('\\') + 1) + kPartialCopyName;
            if (!CopyFileA(from.c_str(), part.c_str(), TRUE) ||
                !MoveFileExA(part.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
                ++failed;
        } else if (!CopyFileA(from.c_str(), to.c_str(), onlyNew ? TRUE : FALSE)) {
            ++failed;
        }
    }
    QueryPerformanceCounter(&end);
    printf("files %u\nfailed %d\ncopy_ms %.1f\n", static_cast<unsigned>(names.size()), failed, Milliseconds(start, end));
    return failed == 0 && !names.empty() ? 0 : 1;
}
