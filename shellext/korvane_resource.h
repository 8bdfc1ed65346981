// Identifiers of the resources of Korvane.dll, shared by its code and its resource script.
#pragma once

#define IDS_PROJNAME 100
#define IDR_CONTEXTMENUCLS 101
#define IDB_MENUBITMAP 202
