// Resource identifiers shared by the resource script and the Win32 runtime.
#pragma once

#define IDI_ZELVARO 1
#define IDB_DONNER_FR 101
#define IDB_DONNER_EN 102
#define IDC_MAIN 201
