// The portable rules carry copies of Win32 constants so that they build and
// are tested without <windows.h>; here, in the program's own build for both
// Windows targets, each copy is held to the value windows.h gives.
#include <windows.h>
#include <winver.h>  // after <windows.h>, which it needs

#include "install/shared_install_rules.h"
#include "shell/shell.h"
#include "stages/sequence_rules.h"
#include "stages/setup_machine.h"
#include "system/registry_rules.h"
#include "system/shortcut_rules.h"

static_assert(kRegSz == REG_SZ && kRegBinary == REG_BINARY && kRegDword == REG_DWORD, "registry value types");

static_assert(kShowNormal == SW_SHOWNORMAL && kShowMinimized == SW_MINIMIZE && kShowMaximized == SW_SHOWMAXIMIZED,
              "show commands of a link");

static_assert(kVifTempFile == VIF_TEMPFILE && kVifMismatch == VIF_MISMATCH && kVifSrcOld == VIF_SRCOLD &&
                  kVifWriteProt == VIF_WRITEPROT && kVifFileInUse == VIF_FILEINUSE &&
                  kVifOutOfSpace == VIF_OUTOFSPACE && kVifAccessViolation == VIF_ACCESSVIOLATION &&
                  kVifSharingViolation == VIF_SHARINGVIOLATION && kVifCannotDelete == VIF_CANNOTDELETE &&
                  kVifCannotRename == VIF_CANNOTRENAME && kVifCannotDeleteCur == VIF_CANNOTDELETECUR &&
                  kVifOutOfMemory == VIF_OUTOFMEMORY && kVifCannotReadSrc == VIF_CANNOTREADSRC &&
                  kVifCannotReadDst == VIF_CANNOTREADDST,
              "VerInstallFile result bits");
static_assert(kFirstAttemptFlags == VIFF_DONTDELETEOLD &&
                  kForcedAttemptFlags == (VIFF_DONTDELETEOLD | VIFF_FORCEINSTALL),
              "VerInstallFile flags");

static_assert(kStyleError == MB_ICONERROR && kStyleErrorOkCancel == (MB_OKCANCEL | MB_ICONERROR) &&
                  kStyleQuestion == (MB_YESNO | MB_ICONWARNING),
              "message-box styles of the shared-file prompts");

static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND && kErrorPathNotFound == ERROR_PATH_NOT_FOUND,
              "errors of the install-folder test");

static_assert(kPlainMessage == MB_OK && kErrorMessage == MB_ICONERROR && kInformationMessage == MB_ICONINFORMATION,
              "message-box styles of the stages' notices");
