// Reading squozen's command line.
#include "options.h"

#include <cstdlib>

#include "swf_container.h"

namespace sqzcli {
namespace {

ParsedCommandLine Refuse(std::string error) {
    ParsedCommandLine parsed;
    parsed.strError = std::move(error);
    return parsed;
}

// The value of --jobs: a whole number of 1 to 1024, nothing else.
bool ParseJobs(const std::string& text, unsigned* jobs) {
    if (text.empty() || text.size() > 4) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    unsigned long n = std::strtoul(text.c_str(), nullptr, 10);
    if (n < 1 || n > 1024) return false;
    *jobs = static_cast<unsigned>(n);
    return true;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a == "-h" || a == "--help" || a == "help") {
            ParsedCommandLine parsed;
            parsed.bOk = true;
            return parsed;
        }
        if (a == "--version") {
            ParsedCommandLine parsed;
            parsed.bOk = true;
            parsed.options.command = Command::kVersion;
            return parsed;
        }
    }
    if (args.empty()) return Refuse("no command given");

    Options o;
    const std::string& name = args[0];
    if (name == "info")
        o.command = Command::kInfo;
    else if (name == "test")
        o.command = Command::kTest;
    else if (name == "optimize")
        o.command = Command::kOptimize;
    else if (name == "check")
        o.command = Command::kCheck;
    else if (!name.empty() && name[0] == '-')
        return Refuse("the command must come first, before " + name);
    else
        return Refuse("unknown command '" + name + "'");

    bool optionsEnded = false;
    bool sawBackupOption = false;
    // The options that only the two batches take.
    const bool batch = o.command == Command::kTest || o.command == Command::kOptimize;
    auto batchOnly = [&](const std::string& option) { return Refuse(option + " applies to test and optimize only"); };
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            if (a.empty()) return Refuse("an empty path names no file or folder");
            o.paths.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "--json") {
            o.bJson = true;
        } else if (a == "-r" || a == "--recursive") {
            o.bRecursive = true;
        } else if (a == "--no-backup") {
            sawBackupOption = true;
            o.bBackup = false;
        } else if (a == "--best") {
            if (!batch) return batchOnly(a);
            if (!CanCompressSwfBest()) return Refuse("--best: this build has no Zopfli, so it cannot compress harder");
            o.bBest = true;
        } else if (a == "--keep-version") {
            if (!batch) return batchOnly(a);
            o.bKeepVersion = true;
        } else if (a == "--lzma") {
            if (!batch) return batchOnly(a);
            o.bLzma = true;
        } else if (a == "--recompress") {
            if (!batch) return batchOnly(a);
            o.bRecompress = true;
        } else if (a == "--files-from" || a.compare(0, 13, "--files-from=") == 0) {
            if (!o.strFilesFrom.empty()) return Refuse("--files-from is given twice");
            if (a.size() > 12) {
                o.strFilesFrom = a.substr(13);
            } else if (i + 1 < args.size()) {
                o.strFilesFrom = args[++i];
            }
            if (o.strFilesFrom.empty())
                return Refuse("--files-from needs the file that lists the paths (- for standard input)");
        } else if (a == "-0" || a == "--null") {
            o.bNulSeparated = true;
        } else if (a == "--protect") {
            if (!batch) return batchOnly(a);
            o.bProtect = true;
        } else if (a == "-j" || a == "--jobs" || a.compare(0, 7, "--jobs=") == 0 ||
                   (a.size() > 2 && a.compare(0, 2, "-j") == 0 && a[2] >= '0' && a[2] <= '9')) {
            std::string value;
            if (a == "-j" || a == "--jobs") {
                if (i + 1 >= args.size()) return Refuse(a + " needs a number of files to work on at once");
                value = args[++i];
            } else {
                value = a[1] == 'j' ? a.substr(2) : a.substr(7);
            }
            if (!ParseJobs(value, &o.nJobs))
                return Refuse("--jobs takes a whole number from 1 to 1024, not '" + value + "'");
        } else {
            return Refuse("unknown option '" + a + "'");
        }
    }
    if (sawBackupOption && o.command != Command::kOptimize) return Refuse("--no-backup applies to optimize only");
    if (o.bNulSeparated && o.strFilesFrom.empty()) return Refuse("-0 applies to the list of --files-from only");
    if (o.paths.empty() && o.strFilesFrom.empty()) return Refuse("no movie or folder given");

    ParsedCommandLine parsed;
    parsed.bOk = true;
    parsed.options = std::move(o);
    return parsed;
}

std::string UsageText() {
    return "usage: squozen info [--json] [options] PATH...\n"
           "       squozen check [--json] [options] PATH...\n"
           "       squozen test [BATCH OPTIONS] [--json] [options] PATH...\n"
           "       squozen optimize [--no-backup] [BATCH OPTIONS] [--json] [options] PATH...\n"
           "       (the paths may also, or instead, come from --files-from FILE)\n"
           "\n"
           "Makes Flash movies of every version smaller: uncompressed movies (FWS) become zlib-compressed ones\n"
           "(CWS), or with --lzma LZMA ones (ZWS). A movie keeps its version from 6 on. One below 6 becomes\n"
           "version 6, the lowest a compressed movie can have, and its line says so (\"version 5 -> 6\"), but\n"
           "only when nothing in it depends on the version: one with scripts, or with text that version 6 would\n"
           "read differently (not ASCII), is left as it is (\"version 5 kept: it has scripts\"). Every movie\n"
           "written is read back and compared with its source before it replaces anything.\n"
           "\n"
           "commands:\n"
           "  info       show each movie's properties: version, length, frame size, frame rate, frame count,\n"
           "             creation time, compressed or not, protected or not, or \"Bad Flash File\"\n"
           "  test       compress each movie into a private work folder only and report its original size,\n"
           "             optimized size and saving; the movies are not changed\n"
           "  optimize   replace each uncompressed movie by its compressed form, keeping a backup\n"
           "             <name>_bak.swf beside it; compressed movies and bad files are skipped. A movie is only\n"
           "             ever replaced by writing its new form beside it, reading that back, and renaming it\n"
           "             over the movie, so an interrupted run or a full disk never leaves a damaged or missing\n"
           "             movie; a movie another program changed meanwhile is not replaced\n"
           "  check      say what is odd about each movie, changing nothing: a compressed movie below version\n"
           "             6, an LZMA one below 13, a length field that differs from the movie's size, bytes after\n"
           "             the compressed stream or after the End tag, a truncated or corrupt stream, no End tag.\n"
           "             Exit status 1 when any movie has a finding\n"
           "\n"
           "options:\n"
           "  -r, --recursive  walk folders with all their subfolders; without it a folder gives the .swf files\n"
           "                   directly inside it. Files ending in _bak.swf found in folders are left out\n"
           "  -j, --jobs N     work on N files at once (default: the number of cores)\n"
           "      --files-from FILE\n"
           "                   also work on the paths listed in FILE (- for standard input), one a line, after\n"
           "                   those of the command line; listed folders are walked as named ones. Empty lines\n"
           "                   are left out and a CR before the line end is dropped, nothing else: spaces belong\n"
           "                   to the names\n"
           "  -0, --null       the listed paths end with a NUL byte instead of a line end (find -print0), so\n"
           "                   that names may hold line ends\n"
           "      --no-backup  optimize: keep no backup\n"
           "      --protect    test, optimize: add the Protect tag (against import) where it is missing\n"
           "      --best       test, optimize: compress with Zopfli: the same format, some 3 to 4 per cent\n"
           "                   smaller, tens to hundreds of times slower\n"
           "      --keep-version\n"
           "                   test, optimize: leave every movie below version 6 uncompressed (skipped, with\n"
           "                   the reason) rather than raise those that may be raised to version 6\n"
           "      --lzma       test, optimize: write movies of version 13 and later as LZMA movies (ZWS) where\n"
           "                   that is smaller than the zlib form; older ones, which players cannot read as\n"
           "                   LZMA movies, get the zlib form\n"
           "      --recompress test, optimize: also decode compressed movies and compress them again (with\n"
           "                   --best, --lzma), replacing them only when the result is smaller\n"
           "      --json       one JSON object per line: one per file, then {\"totals\": ...}: the files, how many\n"
           "                   were done, skipped and failed, the bytes before and after (figures that add up\n"
           "                   across runs over parts of one collection); texts are UTF-8, and a byte that is\n"
           "                   not part of a valid character is written as \\u00XX with its value. A movie that\n"
           "                   was optimized also gives the SHA-256 of the file before and after and of the\n"
           "                   body both hold (sha256Before, sha256After, sha256Body)\n"
           "  -h, --help       show this text\n"
           "      --version    show the version\n"
           "\n"
           "A file named on the command line or in a list is taken whatever its name (a projector .exe for\n"
           "info, say). Exit status: 0 when every file succeeded or was skipped for a stated reason, 1 when any\n"
           "file failed (or, for check, had a finding) or the run was interrupted, 2 for a usage error or a\n"
           "list that cannot be read.\n";
}

}  // namespace sqzcli
