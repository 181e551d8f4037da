// Resource ids of Norvak_Dialog.exe (shared by the program and its resource script).
#pragma once

#define IDS_NORVAK_TITLE 103  /* the window title, "Norvak_Dialog" */
#define IDS_NORVAK_CLASS 109  /* the window class, "NORVAK_DIALOG" */
#define IDB_NORVAK_BACKGROUND 129
#define IDI_NORVAK 130
