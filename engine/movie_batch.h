// The file work of one movie in the Test and Optimize batches, shared by the file list and the command-line tool:
// the names of its work files and backup, the rule of which movies are worked on, the optimizing step (optional
// protection, compression, the two sizes and the saving ratio), the verification that reads every written movie
// back, and the replace step that puts the compressed movie in place of its source after an optional backup, so that
// no movie is ever lost or damaged.
//
// Nothing is kept between calls and nothing is shared: several threads may work on different movies at once, as
// long as each uses work files of its own (a work folder of its own).
#pragma once

#include <cstdint>
#include <string>

#include "swf_encode.h"
#include "swf_result.h"

// The work files of one movie, all in one work folder.
struct MovieWorkFiles {
    std::string strOutput;        // the compressed movie: work folder + GetFileStem(source) + "_Comp.swf"
    std::string strProtected;     // the protected copy: work folder + "ProtectTemp.swf"
    std::string strProtectWork1;  // the protection step's work files: kProtectWork1 and kProtectWork2
    std::string strProtectWork2;
};

// The work files of `source` in `workFolder` (a folder ending with the separator). A source named without any
// folder is taken as a file of the current folder for its stem.
MovieWorkFiles GetMovieWorkFiles(const std::string& workFolder, const std::string& source);

// The end of a backup's name: GetBackupPath puts it in place of the source's ".swf".
constexpr char kBackupSuffix[] = "_bak.swf";

// The backup of a source beside it: the source less its last four characters (".swf"), followed by "_bak.swf".
// D:\m\intro.swf gives D:\m\intro_bak.swf.
std::string GetBackupPath(const std::string& source);

// Whether the file name or path `name` ends in ".swf", in any letter case.
bool HasMovieExtension(const std::string& name);
// Whether a walk through folders (the command-line tool's, a folder dropped on the program) takes the file `name` as
// a movie: its name ends in ".swf" but not in "_bak.swf" (both in any letter case), so that the backups Optimize left
// are not taken for movies of their own. intro.swf and INTRO.SWF are movies, intro_bak.swf and intro.txt are not.
bool IsFolderMovieName(const std::string& name);

// The saving of a movie of `before` bytes that became `after` bytes, in percent: (before - after) * 100 / before,
// truncated toward zero, in 64-bit arithmetic so that no 32-bit sizes overflow it. Negative when the movie grew
// (1,000 to 1,100 bytes gives -10). 0 when `before` is 0 (nothing was measured, so nothing was saved); results
// beyond the range of int are clamped to it.
int SavingRatio(uint32_t before, uint32_t after);

// The step of the file work that failed.
enum class MovieStep {
    kNone,      // nothing failed
    kRead,      // reading the movie before any work (ProcessMovie)
    kCompress,  // compressing into the work folder (Test) or beside the source (Optimize)
    kVerify,    // reading the compressed movie (or the backup) back and comparing it with the source
    kBackup,    // writing the backup beside the source (ReplaceMovie)
    kReplace,   // putting the compressed movie in place of the source (ReplaceMovie)
};

// "read", "compress", "verify", "backup", "replace"; "" for kNone.
const char* MovieStepName(MovieStep step);

// Why a step failed, or, with step kNone and a reason, why a movie was passed over.
struct MovieFailure {
    MovieStep step = MovieStep::kNone;
    SwfReason reason = SwfReason::kNone;
    std::string strWhat;   // the reason's text, naming the file: "cannot write D:\m\intro_bak.swf"
    int nSystemError = 0;  // the system's error code behind it (LastSystemError), 0 when there is none
};

// The failure of `step` for `result` on `file` with the one text of its reason ("cannot read <file>", "<file> is
// already compressed"; `other` is the output a compression could not write, or where a new content was kept); with
// step kNone why a movie was passed over ("already compressed", "Bad Flash File", and for kLowVersion and the kKept
// reasons "version <other> kept: ...", `other` being the movie's version). No failure when `result` is Ok.
MovieFailure MakeMovieFailure(MovieStep step, SwfResult result, const std::string& file,
                              const std::string& other = std::string());
// "<what>: <system's text>", the last part left out when there is no system error.
std::string MovieFailureReason(const MovieFailure& failure);
// "<step>: " followed by MovieFailureReason.
std::string DescribeMovieFailure(const MovieFailure& failure);
// A short, fixed word for why a movie was passed over, for programs that read the tool's output: "alreadyCompressed",
// "badFlashFile", "keepVersion", "scripts", "text", "unreadableTags", "notSmaller"; "" for other reasons.
const char* MovieSkipCode(SwfReason reason);

// What OptimizeMovie did.
struct MovieOptimizeResult {
    int bOk = 0;             // non-zero when the compressed movie was written to the output
    int bProtected = 0;      // non-zero when the Protect tag was inserted (then nBefore is the protected movie's size)
    uint32_t nBefore = 0;    // A: size of the movie that was compressed: the source's, or with the tag inserted
    uint32_t nAfter = 0;     // B: size of the output
    int nRatio = 0;          // SavingRatio(A, B)
    int nSourceVersion = 0;  // the version byte of the file that was compressed
    int nVersion = 0;        // the output's: CompressedSwfVersion(nSourceVersion), higher only below version 6
    bool bLzma = false;      // the output is an LZMA movie ("ZWS")
    MovieFailure failure;    // when bOk is 0: step kCompress or kVerify and the reason
};

// The compressing step of Test: the uncompressed movie `source` is compressed into the output of `work`, with zlib's
// default level, or Zopfli when `bBest` is set, and the output is read back and compared with the source before it
// is put in place (kVerify). With `bProtect` set and no Protect tag in the source yet, the tag is inserted as its
// first tag on the way (the movie is cut to its declared length, as the protected copy of InsertProtectTag is); a
// movie whose header does not allow that (InsertProtectTag would refuse it) is compressed unprotected, without a word.
// Fails when the source does not open, is not an uncompressed ("FWS") movie (a compressed movie, a projector), or the
// output cannot be written or does not read back right. The source is never changed.
MovieOptimizeResult OptimizeMovie(const std::string& source, const MovieWorkFiles& work, int bProtect, int bBest = 0);

// The Optimize step for a compressed movie `output` made elsewhere: verifies that it decodes to the body of `source`
// (an uncompressed movie) and puts it in place of `source`, keeping a backup at GetBackupPath(source) first when
// `bBackup` is set. The steps ProcessMovie takes after compressing beside the source:
// - The backup is written under a work name beside it, forced to disk, read back and renamed over any older backup,
//   so it is whole before the source is touched.
// - The source is replaced only by a safe replace: the new content is written beside it under a work name, forced to
//   disk and renamed over it, keeping the source's creation time and attributes where the platform allows.
// - Just before each rename, and before every retry of one, the source must be as it was when it was read (size,
//   last-write time, which file it is): a movie another program wrote meanwhile is never replaced (kChanged).
// - A source that is gone, is no longer an uncompressed movie, is read-only or in use, a full disk, a read-only
//   folder: the step fails and the source stays exactly as it was (a missing source is not created again).
// Returns a failure with step kNone on success, else the step that failed (kVerify, kBackup or kReplace) and why.
// When the replace fails after the backup was written, the backup stays: it is a whole copy of the unchanged source.
MovieFailure ReplaceMovie(const std::string& source, const std::string& output, int bBackup);

// Whether a movie is valid (a movie signature and a version of 1 or more): the batch step reads its header itself
// (kRead), or takes the caller's verdict (a row of the file list is marked "Bad Flash File" or not).
enum class MovieVerdict { kRead, kValid, kBad };

// What the batch step is to do with a movie.
struct MovieBatchRequest {
    bool bOptimize = false;  // Optimize: the source is replaced; else Test
    int bBackup = 0;         // Optimize: a backup is kept first
    int bProtect = 0;        // the Protect tag is inserted first
    MovieVerdict verdict = MovieVerdict::kRead;
    std::string strWorkFolder;  // where the work files go; empty: GetTempFolder(), asked only for a movie worked on
    int bBest = 0;              // compressed with Zopfli (CompressSwfBestEx) instead of zlib's default level
    // Every movie below version 6 is passed over (kLowVersion) instead of being raised to version 6 by the
    // compression, for users who want no change in how a movie plays; without it only those whose scripts or text
    // depend on the version are (kKeptScripts, kKeptText, kKeptUnreadable).
    bool bKeepVersion = false;
    // A movie of version 13 or more is written as an LZMA movie ("ZWS") when that is smaller than the zlib form.
    bool bLzma = false;
    // Compressed movies are decoded and compressed again, and replaced only when the result is smaller (else passed
    // over with kNotSmaller); without it they are passed over as already compressed.
    bool bRecompress = false;
    // The SHA-256 of the file before and after and of the movie's body are reported (MovieBatchResult).
    bool bHashes = false;
    // What was written is read back before it is put in place. Always, but for the benchmark that measures its cost.
    bool bVerify = true;
};

enum class MovieOutcome { kDone, kSkipped, kFailed };

// What the batch step did with a movie.
struct MovieBatchResult {
    MovieOutcome outcome = MovieOutcome::kFailed;
    MovieFailure failure;       // skipped: why (step kNone); failed: the step and why
    uint32_t nOriginal = 0;     // with the verdict kRead: nFileSize of the movie's properties
    MovieOptimizeResult movie;  // done: the sizes and the ratio
    bool bVerified = false;     // done: the output was read back and decodes to the source's body
    // With bHashes, when done: lower-case hex SHA-256 of the source file as it was read, of the new file, and of the
    // body both decode to.
    std::string strSha256Before, strSha256After, strSha256Body;
};

// One movie of Test or Optimize, the rule of the file list and of the command-line tool alike. The source is opened
// once and read once (a small movie into memory; a large one is read again through the same opening to be verified
// and backed up); what was read is handed on.
// - a compressed movie ("CWS", "ZWS") is passed over as "already compressed" (with bRecompress it is decoded and
//   compressed again, and passed over as kNotSmaller unless that made it smaller), then a bad one as "Bad Flash
//   File", then one below version 6 with bKeepVersion (kLowVersion), or whose scripts or text would read differently
//   as version 6 (kKeptScripts, kKeptText, or kKeptUnreadable when its tags cannot be walked to their end);
// - a movie that cannot be read fails in the step kRead;
// - Test compresses into the output of the work files of `source` in the work folder, Optimize into a work file
//   beside the source; the result is read back and compared with the source (kVerify) and, for Optimize, put in place
//   of the source after the backup, as ReplaceMovie does; the steps kCompress, kVerify, kBackup and kReplace may
//   fail, always leaving the source and an existing backup as they were and no work file beside them.
// Test's output stays in the work folder.
MovieBatchResult ProcessMovie(const std::string& source, const MovieBatchRequest& request);
