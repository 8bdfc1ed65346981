// The option store over the platform's profile (INI) functions.
#include "option_store.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "file_helpers.h"

namespace {

const char kSection[] = "OPTION";

int ReadOption(const char* key, int fallback) {
    return static_cast<int>(::GetPrivateProfileIntA(kSection, key, fallback, GetConfigIniPath().c_str()));
}

int WriteOption(const char* key, int value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    return ::WritePrivateProfileStringA(kSection, key, text, GetConfigIniPath().c_str()) ? 1 : 0;
}

}  // namespace

int ReadBackupOption() { return ReadOption("ISBACKUP", 1); }
int ReadProtectOption() { return ReadOption("ISPROTECT", 0); }
int ReadDoubleClickAction() { return ReadOption("DOUBLECLICKACTION", 0); }

int WriteBackupOption(int value) { return WriteOption("ISBACKUP", value); }
int WriteProtectOption(int value) { return WriteOption("ISPROTECT", value); }
int WriteDoubleClickAction(int value) { return WriteOption("DOUBLECLICKACTION", value); }
