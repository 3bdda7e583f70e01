// Loads one library by its full path and says what happened, for the bench's
// proof that a planted library leaves its trace when something does load it.
//
//   loadprobe.exe <library path>
//
// Prints "loaded" or "not loaded <error>"; exit status 0 when it loaded.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: loadprobe.exe <library path>\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (module == nullptr) {
        printf("not loaded %lu\n", GetLastError());
        return 1;
    }
    printf("loaded\n");
    FreeLibrary(module);
    return 0;
}
