// One movie's file work in a batch: work-file names, protection and compression with their sizes, and the
// backup and safe replace of the source.
#include "movie_batch.h"

#include <climits>
#include <memory>

#include "atomic_file.h"
#include "file_helpers.h"
#include "mbcs.h"
#include "platform.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "swf_protect.h"

using sqz::Files;

namespace {

// The text of each reason, around the name of the file it concerns.
struct ReasonText {
    SwfReason reason;
    const char* pszBefore;
    const char* pszAfter;
};
const ReasonText kReasonTexts[] = {
    {SwfReason::kCannotRead, "cannot read ", ""},
    {SwfReason::kCannotWrite, "cannot write ", ""},
    {SwfReason::kAlreadyCompressed, "", " is already compressed"},
    {SwfReason::kNotUncompressed, "", " is not an uncompressed movie"},
    {SwfReason::kNotCompressed, "", " is not a compressed movie"},
    {SwfReason::kTooShort, "", " is too short to be a movie"},
    {SwfReason::kTooLarge, "", " is too large (4 GB or more)"},
    {SwfReason::kBrokenStream, "", " holds a broken compressed movie"},
    {SwfReason::kNoMovie, "", " holds no movie"},
    {SwfReason::kNoMemory, "not enough memory to work on ", ""},
    {SwfReason::kGone, "the movie ", " is gone"},
    {SwfReason::kNoZopfli, "this build has no Zopfli to compress ", " harder"},
};

// Copies `from` to `to` for the step `step`, forced to disk before it is put in place: a new or replaced `to`, or,
// with `over`, the new content of the existing `to`. On failure `to` is as it was.
MovieFailure CopyDurably(MovieStep step, const std::string& from, const std::string& to, bool over) {
    std::string kept;
    SwfResult copy = sqz::CopyAtomically(from, to, over, true, &kept);
    return MakeMovieFailure(step, copy, copy.reason == SwfReason::kCannotRead ? from : to, kept);
}

// A movie passed over, or failed before any work.
MovieBatchResult Ended(MovieOutcome outcome, const MovieFailure& failure) {
    MovieBatchResult r;
    r.outcome = outcome;
    r.failure = failure;
    return r;
}

}  // namespace

MovieWorkFiles GetMovieWorkFiles(const std::string& workFolder, const std::string& source) {
    std::string stem = GetFileStem(source);
    if (sqz::MbsFindLast(source, sqz::kPathSep) == std::string::npos && source.size() > 4)
        stem = source.substr(0, source.size() - 4);
    MovieWorkFiles work;
    work.strOutput = workFolder + stem + "_Comp.swf";
    work.strProtected = workFolder + "ProtectTemp.swf";
    work.strProtectWork1 = workFolder + kProtectWork1;
    work.strProtectWork2 = workFolder + kProtectWork2;
    return work;
}

std::string GetBackupPath(const std::string& source) {
    return (source.size() > 4 ? source.substr(0, source.size() - 4) : std::string()) + kBackupSuffix;
}

namespace {

// Whether `name` ends in the single-byte characters of `tail`, in any letter case (a trail byte of a double-byte
// character is no "_").
bool EndsWithNoCase(const std::string& name, const std::string& tail) {
    const size_t at = name.size() - tail.size();
    return name.size() >= tail.size() && !sqz::MbsIsTrailByte(name, at) && sqz::MbsICmp(name.substr(at), tail) == 0;
}

}  // namespace

bool HasMovieExtension(const std::string& name) { return EndsWithNoCase(name, ".swf"); }

bool IsFolderMovieName(const std::string& name) {
    return HasMovieExtension(name) && !EndsWithNoCase(name, kBackupSuffix);
}

int SavingRatio(uint32_t before, uint32_t after) {
    if (before == 0) return 0;
    int64_t r = (static_cast<int64_t>(before) - static_cast<int64_t>(after)) * 100 / static_cast<int64_t>(before);
    if (r < INT_MIN) return INT_MIN;
    return r > INT_MAX ? INT_MAX : static_cast<int>(r);
}

const char* MovieStepName(MovieStep step) {
    static const char* const kNames[] = {"", "read", "compress", "backup", "replace"};  // in the order of MovieStep
    return kNames[static_cast<int>(step)];
}

MovieFailure MakeMovieFailure(MovieStep step, SwfResult result, const std::string& file, const std::string& other) {
    MovieFailure f;
    if (result.Ok()) return f;
    f.step = step;
    f.reason = result.reason;
    f.nSystemError = result.nSystemError;
    if (step == MovieStep::kNone) {
        if (result.reason == SwfReason::kBadFlashFile)
            f.strWhat = kBadFlashFile;
        else if (result.reason == SwfReason::kLowVersion)
            f.strWhat = "version " + other + " kept: a compressed movie has version " +
                        std::to_string(kMinCompressedSwfVersion) + " or later";
        else
            f.strWhat = "already compressed";
    } else if (result.reason == SwfReason::kCannotWrite && step == MovieStep::kCompress) {
        f.strWhat = "cannot compress " + file + " into " + other;
    } else {
        for (const ReasonText& text : kReasonTexts)
            if (text.reason == result.reason) f.strWhat = text.pszBefore + file + text.pszAfter;
        if (!other.empty()) f.strWhat += " (its new content is kept as " + other + ")";
    }
    return f;
}

std::string MovieFailureReason(const MovieFailure& failure) {
    if (failure.nSystemError == 0) return failure.strWhat;
    return failure.strWhat + ": " + sqz::SystemErrorText(failure.nSystemError);
}

std::string DescribeMovieFailure(const MovieFailure& failure) {
    return std::string(MovieStepName(failure.step)) + ": " + MovieFailureReason(failure);
}

MovieOptimizeResult OptimizeMovie(const std::string& source, const MovieWorkFiles& work, int bProtect, int bBest) {
    MovieOptimizeResult result;
    std::string compressed = source;
    // Only an uncompressed movie is offered to protection: anything else fails to compress below as it is.
    if (bProtect && !IsCompressedSwf(source) && !IsSwfProtected(source) &&
        ProtectSwfVia(source, work.strProtected, work.strProtectWork1, work.strProtectWork2)) {
        compressed = work.strProtected;
        result.bProtected = 1;
    }
    unsigned char version = 0;
    SwfResult compress = bBest ? CompressSwfBestEx(compressed, work.strOutput, &version)
                               : CompressSwfEx(compressed, work.strOutput, &version);
    if (!compress.Ok()) {
        result.bProtected = 0;
        result.failure = MakeMovieFailure(MovieStep::kCompress, compress, compressed, work.strOutput);
        return result;
    }
    result.bOk = 1;
    result.nBefore = GetFileSizeOnDisk(compressed);
    result.nAfter = GetFileSizeOnDisk(work.strOutput);
    result.nRatio = SavingRatio(result.nBefore, result.nAfter);
    result.nSourceVersion = version;
    result.nVersion = CompressedSwfVersion(version);
    return result;
}

MovieFailure ReplaceMovie(const std::string& source, const std::string& output, int bBackup) {
    const MovieStep first = bBackup ? MovieStep::kBackup : MovieStep::kReplace;
    // The source must still be there and uncompressed: a movie that went away is not created again, and one that
    // was compressed meanwhile (by another run) is not replaced by an older content.
    sqz::FileEntry entry;
    if (!Files().Find(source, &entry) || entry.bFolder)
        return MakeMovieFailure(first, {SwfReason::kGone, sqz::LastSystemError()}, source);
    SwfResult check = CheckSwfSignature(source, "FWS");
    if (!check.Ok()) return MakeMovieFailure(first, check, source);
    check = CheckSwfSignature(output, "CWS");
    if (!check.Ok()) return MakeMovieFailure(MovieStep::kReplace, check, output);

    if (bBackup) {
        MovieFailure f = CopyDurably(MovieStep::kBackup, source, GetBackupPath(source), false);
        if (f.step != MovieStep::kNone) return f;
    }
    return CopyDurably(MovieStep::kReplace, output, source, true);
}

MovieBatchResult ProcessMovie(const std::string& source, const MovieBatchRequest& request) {
    MovieBatchResult r;
    SwfResult head = CheckSwfSignature(source, "FWS");
    if (head.reason == SwfReason::kAlreadyCompressed)
        return Ended(MovieOutcome::kSkipped, MakeMovieFailure(MovieStep::kNone, head, source));
    bool bad = request.verdict == MovieVerdict::kBad;
    SwfFileInfo info{};
    if ((request.verdict == MovieVerdict::kRead || request.bKeepVersion) && head.reason != SwfReason::kCannotRead) {
        SwfResult read = ReadSwfInfoEx(source, &info);
        if (request.verdict == MovieVerdict::kRead) {
            head = read;
            bad = head.Ok() && !IsValidSwf(info);
            r.nOriginal = info.nFileSize;
        }
    }
    // A row marked bad is passed over even when its file is gone; a movie that cannot be read fails.
    if (bad)
        return Ended(MovieOutcome::kSkipped, MakeMovieFailure(MovieStep::kNone, {SwfReason::kBadFlashFile}, source));
    if (head.reason == SwfReason::kCannotRead)
        return Ended(MovieOutcome::kFailed, MakeMovieFailure(MovieStep::kRead, head, source));
    if (request.bKeepVersion && info.nVersion < kMinCompressedSwfVersion)
        return Ended(MovieOutcome::kSkipped, MakeMovieFailure(MovieStep::kNone, {SwfReason::kLowVersion}, source,
                                                              std::to_string(info.nVersion)));

    MovieWorkFiles work =
        GetMovieWorkFiles(request.strWorkFolder.empty() ? GetTempFolder() : request.strWorkFolder, source);
    r.movie = OptimizeMovie(source, work, request.bProtect, request.bBest);
    r.failure =
        r.movie.bOk && request.bOptimize ? ReplaceMovie(source, work.strOutput, request.bBackup) : r.movie.failure;
    if (r.failure.step == MovieStep::kNone) r.outcome = MovieOutcome::kDone;
    return r;
}
