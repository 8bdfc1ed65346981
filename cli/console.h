// What the tool needs from the operating system beyond the engine's file services: the terminal, the system's
// temporary folder, private folders, full paths, the conversion of paths to UTF-8, and Ctrl+C.
#pragma once

#include <string>
#include <vector>

namespace sqzcli {

// True when standard error is a terminal (a console on Windows), where a progress bar makes sense.
bool StderrIsTerminal();
// The width of the terminal behind standard error in characters; 80 when it is not known.
int TerminalColumns();

// Makes standard input deliver its bytes as they are: no line-end translation, no end at Ctrl+Z (Windows).
void SetBinaryStandardInput();

// The system's folder for temporary files (TMPDIR or /tmp; GetTempPath on Windows), ending with the separator.
std::string SystemTempFolder();
// Creates a folder that only the user can enter (mode 0700 on POSIX systems); false when it exists or cannot be
// created.
bool CreatePrivateFolder(const std::string& path);
// Removes an empty folder; false when it is not empty or cannot be removed.
bool RemoveEmptyFolder(const std::string& path);

// The program's arguments after its own name into `*args`, as the tool works with them: on POSIX systems `argv` as
// given; on Windows the command line read as wide text, each argument taken in the ANSI code page when that holds
// it, else by its short (8.3) form when the code page holds that. False when an argument has neither, so that it
// cannot be named to the engine: its text (with "?" for what the code page lacks, for a report only) is then in
// `*unnamed`.
bool ProgramArguments(int argc, char** argv, std::vector<std::string>* args, std::string* unnamed);

// A path or a system text in UTF-8: converted from the ANSI code page on Windows, unchanged elsewhere (POSIX file
// names are bytes, in practice UTF-8). Bytes that do not convert are kept as they are.
std::string ToUtf8(const std::string& text);

// Lets the memory allocator keep the memory that one movie's work frees for the next one, instead of handing it
// back to the system and faulting it in again for every movie of a long batch.
void KeepFreedMemory();

// Catches Ctrl+C (and, on POSIX systems, SIGTERM and SIGHUP): the first one only sets the flag that Interrupted()
// reports, so that the files in progress are finished and nothing is left half done; a second one ends the
// program at once. Also keeps a closed standard output from ending the program (SIGPIPE).
void CatchInterrupts();
bool Interrupted();

}  // namespace sqzcli
