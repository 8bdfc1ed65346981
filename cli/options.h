// The command line of squozen: its commands and options, and the usage text.
#pragma once

#include <string>
#include <vector>

namespace sqzcli {

enum class Command {
    kInfo,      // the properties of each movie
    kTest,      // the Test batch: compress into the work folder only
    kOptimize,  // the Optimize batch: replace each uncompressed movie by its compressed form
    kCheck,     // what is odd about each movie's container, changing nothing
    kHelp,      // --help: the usage text on standard output
    kVersion,   // --version
};

struct Options {
    Command command = Command::kHelp;
    bool bJson = false;          // --json: one JSON object per line
    bool bRecursive = false;     // --recursive: folders are walked with their subfolders
    bool bBackup = true;         // optimize without --no-backup: "<name>_bak.swf" beside each source
    bool bProtect = false;       // --protect: the Protect tag is added where it is missing
    bool bBest = false;          // --best: compress with Zopfli (CompressSwfBest)
    bool bKeepVersion = false;   // --keep-version: movies below version 6 are left uncompressed
    bool bLzma = false;          // --lzma: movies of version 13 and later become LZMA movies where that is smaller
    bool bRecompress = false;    // --recompress: compressed movies are compressed again, kept when smaller
    unsigned nJobs = 0;          // --jobs N: files worked on at once; 0 when not given (the number of cores)
    std::string strFilesFrom;    // --files-from FILE: a list of more paths ("-" for standard input); "" when none
    bool bNulSeparated = false;  // -0: the list's paths end with a NUL byte rather than a line end
    std::vector<std::string> paths;
};

// The outcome of reading the command line: the options, or the usage error to show (exit code 2).
struct ParsedCommandLine {
    bool bOk = false;
    Options options;
    std::string strError;
};

// Reads the arguments that follow the program name: a command, then options and paths in any order ("--" ends
// the options). --help (-h) anywhere asks for the usage text, whatever else is wrong; --version likewise.
// Refused, with the reason: no command, an unknown command or option, a missing or invalid --jobs value (1 to
// 1024), a missing or second --files-from, -0 without --files-from, an option that does not apply to the command,
// --best in a build without Zopfli, an empty path, and test, optimize, info or check with neither a path nor
// --files-from.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending with a newline.
std::string UsageText();

}  // namespace sqzcli
