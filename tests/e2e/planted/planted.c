/* A library that must never be loaded: the test bench puts copies of it,
   named like system DLLs, beside Setup.exe and into the install folder. If a
   process loads one, its entry point appends the process id and the library's
   own path to C:\planted.log and refuses to load.

   It imports from ntdll.dll alone and has no C runtime, so that a copy named
   kernel32.dll or msvcrt.dll needs no other copy of itself. */
#include <windows.h>
#include <winternl.h>

NTSTATUS NTAPI NtWriteFile(HANDLE file, HANDLE event, PVOID apcRoutine, PVOID apcContext, PIO_STATUS_BLOCK status,
                           PVOID buffer, ULONG length, PLARGE_INTEGER offset, PULONG key);

/* The full path of the module at `base`, from the loader's list. */
static const UNICODE_STRING* ModulePath(const PEB* peb, void* base) {
    LIST_ENTRY* head = &peb->Ldr->InMemoryOrderModuleList;
    for (LIST_ENTRY* link = head->Flink; link != head; link = link->Flink) {
        LDR_DATA_TABLE_ENTRY* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
        if (entry->DllBase == base) return &entry->FullDllName;
    }
    return 0;
}

static ULONG AppendNumber(char* out, ULONG at, ULONG_PTR value) {
    char digits[24];
    ULONG count = 0;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) out[at++] = digits[--count];
    return at;
}

/* "<process id> <library path>\r\n"; characters outside ASCII become '?'. */
static ULONG TraceLine(void* base, char* out, ULONG size) {
    PROCESS_BASIC_INFORMATION process;
    ULONG at = 0;
    const UNICODE_STRING* path = 0;
    if (NtQueryInformationProcess((HANDLE)(LONG_PTR)-1, ProcessBasicInformation, &process, sizeof process, 0) >= 0) {
        at = AppendNumber(out, at, process.UniqueProcessId);
        path = ModulePath(process.PebBaseAddress, base);
    }
    out[at++] = ' ';
    for (USHORT i = 0; path != 0 && i < path->Length / 2 && at < size - 2; ++i) {
        WCHAR c = path->Buffer[i];
        out[at++] = c >= 0x20 && c < 0x7F ? (char)c : '?';
    }
    out[at++] = '\r';
    out[at++] = '\n';
    return at;
}

static void WriteTrace(void* base) {
    static WCHAR logName[] = L"\\??\\C:\\planted.log";
    UNICODE_STRING name;
    name.Buffer = logName;
    name.Length = (USHORT)(sizeof logName - sizeof(WCHAR));
    name.MaximumLength = (USHORT)sizeof logName;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, 0, 0);
    IO_STATUS_BLOCK status;
    HANDLE file;
    if (NtCreateFile(&file, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &status, 0, FILE_ATTRIBUTE_NORMAL,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN_IF,
                     FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, 0, 0) < 0)
        return;
    char line[600];
    ULONG length = TraceLine(base, line, sizeof line);
    NtWriteFile(file, 0, 0, 0, &status, line, length, 0, 0);
    NtClose(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    WriteTrace(instance);
    return FALSE;
}
