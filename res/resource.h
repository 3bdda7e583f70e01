// Resource identifiers of Setup.exe, and the class of its backdrop window:
// the bench's robot finds the program's windows by them.
#pragma once

#define SETUP_WINDOW_CLASS    "QuorinInstall"

#define IDI_SETUP             101
#define IDR_ACCEL             103
#define IDD_SELECT_FOLDER     104
#define IDD_COPY_PROGRESS     106
#define IDD_SHORTCUTS         107
#define IDS_SHELL_FOLDERS_KEY 27

#define IDC_FOLDER_EDIT       1008
#define IDC_BROWSE            1009
#define IDC_PROGRESS          1010
#define IDC_PATH_TEXT         1011
#define IDC_INTRO_TEXT        1012
