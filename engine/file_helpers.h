// The program's folders and work folder, path splitting, file measuring and number formatting used by every
// part of the program. None of them shows a message; each answers with a string or a number.
#pragma once

#include <cstdint>
#include <string>

// Folder of the running program's executable, ending with the path separator.
std::string GetProgramFolder();
// GetProgramFolder() + "config.ini", the settings file.
std::string GetConfigIniPath();
// The work folder GetProgramFolder() + "temp" + separator, created when it does not exist yet. When it
// can be neither found nor created, the program folder itself.
std::string GetTempFolder();
// Deletes every file in the folder "temp" under the program folder (never the fallback of GetTempFolder);
// folders and files in use remain, failures are ignored, the folder itself stays.
void ClearTempFolder();
// Non-zero when a file or folder of that name exists; a trailing separator is ignored.
int PathExists(const std::string& path);
// Low 32 bits of the file's size in bytes, found by a directory search (the file is not opened); 0 when
// the file is not found.
uint32_t GetFileSizeOnDisk(const std::string& path);
// The path up to and including its last separator; "" when it has none.
std::string GetFolderPart(const std::string& path);
// The text after the last separator; "" when the path has none.
std::string GetFileNamePart(const std::string& path);
// GetFileNamePart without its last four characters (".swf", ".exe"); "" when the path has no separator or
// the name has four characters or fewer.
std::string GetFileStem(const std::string& path);
// Decimal text with a comma between groups of three digits: 1234567 gives "1,234,567", -1234 gives "-1,234".
std::string FormatThousands(int32_t value);
// The same for sizes and their sums, which are never negative and may pass 2 GB: 3000000000 gives "3,000,000,000".
// Every byte count the program and the tool show is written by this one.
std::string FormatThousands64(uint64_t value);
#ifdef _WIN32
// The structure size the file dialogs put into their OPENFILENAME record: the full size of the record on the
// Windows NT family, the size of the older form on Windows 95, 98 and Me.
unsigned FileDialogStructSize();
#endif
