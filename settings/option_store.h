// The three user options in the section "OPTION" of config.ini beside the program: whether a backup is kept,
// whether import protection is added, and what a double-click on a row does. Every call opens the file anew;
// nothing is cached.
#pragma once

// ISBACKUP: non-zero keeps a backup copy of a movie before it is optimized; 1 when the key or the file is
// absent.
int ReadBackupOption();
// ISPROTECT: non-zero adds import protection when a movie is optimized; 0 when absent.
int ReadProtectOption();
// DOUBLECLICKACTION: 0 view, 1 test, 2 optimize; any other value does nothing; 0 when absent.
int ReadDoubleClickAction();

// Each writes its key as "%d" text (a minus sign for negative values), creating config.ini and its section
// when needed; non-zero on success. The platform writes through to the file at once.
int WriteBackupOption(int value);
int WriteProtectOption(int value);
int WriteDoubleClickAction(int value);
