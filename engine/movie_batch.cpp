// One movie's file work in a batch: work-file names, protection and compression with their sizes, and the
// backup and safe replace of the source.
#include "movie_batch.h"

#include <climits>
#include <cstring>
#include <memory>

#include "atomic_file.h"
#include "file_helpers.h"
#include "mbcs.h"
#include "platform.h"
#include "swf_container.h"
#include "swf_protect.h"

using sqz::Files;

namespace {

MovieFailure Failure(MovieStep step, std::string what, int error = 0) {
    MovieFailure f;
    f.step = step;
    f.strWhat = std::move(what);
    f.nSystemError = error;
    return f;
}

// Why CompressSwf failed on `file`: something about the file itself, else the writing of `output`, with the
// system error `error` that was current right after the failure.
MovieFailure CompressFailure(const std::string& file, const std::string& output, int error) {
    std::unique_ptr<sqz::ReadFile> in = Files().OpenRead(file);
    if (!in) return Failure(MovieStep::kCompress, "cannot read " + file, sqz::LastSystemError());
    unsigned char head[3] = {};
    size_t got = in->Read(head, sizeof head);
    int64_t size = in->Size();
    if (in->Failed() || size < 0) return Failure(MovieStep::kCompress, "cannot read " + file, sqz::LastSystemError());
    if (got == 3 && std::memcmp(head, "CWS", 3) == 0)
        return Failure(MovieStep::kCompress, file + " is already compressed");
    if (got < 3 || std::memcmp(head, "FWS", 3) != 0)
        return Failure(MovieStep::kCompress, file + " is not an uncompressed movie");
    if (size < static_cast<int64_t>(kSwfHeaderSize))
        return Failure(MovieStep::kCompress, file + " is too short to be a movie");
    if (size > 0xFFFFFFFFll) return Failure(MovieStep::kCompress, file + " is too large (4 GB or more)");
    return Failure(MovieStep::kCompress, "cannot compress " + file + " into " + output, error);
}

// Copies `from` to `to` for the step `step`, forced to disk before it is put in place: a new or replaced `to`, or,
// with `over`, the new content of the existing `to`. On failure `to` is as it was.
MovieFailure CopyDurably(MovieStep step, const std::string& from, const std::string& to, bool over) {
    sqz::CopyResult copy = sqz::CopyAtomically(from, to, over, true);
    switch (copy.outcome) {
        case sqz::CopyOutcome::kCopied:
            break;
        case sqz::CopyOutcome::kReadFailed:
            return Failure(step, "cannot read " + from, copy.nError);
        case sqz::CopyOutcome::kWriteFailed: {
            MovieFailure f = Failure(step, "cannot write " + to, copy.nError);
            if (!copy.strKept.empty()) f.strWhat += " (its new content is kept as " + copy.strKept + ")";
            return f;
        }
    }
    return MovieFailure();
}

}  // namespace

MovieWorkFiles GetMovieWorkFiles(const std::string& workFolder, const std::string& source) {
    std::string stem = GetFileStem(source);
    if (sqz::MbsFindLast(source, sqz::kPathSep) == std::string::npos && source.size() > 4)
        stem = source.substr(0, source.size() - 4);
    MovieWorkFiles work;
    work.strOutput = workFolder + stem + "_Comp.swf";
    work.strProtected = workFolder + "ProtectTemp.swf";
    work.strProtectWork1 = workFolder + "SwfTemp1.swf";
    work.strProtectWork2 = workFolder + "SwfTemp2.swf";
    return work;
}

std::string GetBackupPath(const std::string& source) {
    return (source.size() > 4 ? source.substr(0, source.size() - 4) : std::string()) + "_bak.swf";
}

int SavingRatio(uint32_t before, uint32_t after) {
    if (before == 0) return 0;
    int64_t r = (static_cast<int64_t>(before) - static_cast<int64_t>(after)) * 100 / static_cast<int64_t>(before);
    if (r < INT_MIN) return INT_MIN;
    return r > INT_MAX ? INT_MAX : static_cast<int>(r);
}

const char* MovieStepName(MovieStep step) {
    switch (step) {
        case MovieStep::kCompress:
            return "compress";
        case MovieStep::kBackup:
            return "backup";
        case MovieStep::kReplace:
            return "replace";
        case MovieStep::kNone:
            break;
    }
    return "";
}

std::string DescribeMovieFailure(const MovieFailure& failure) {
    std::string text = std::string(MovieStepName(failure.step)) + ": " + failure.strWhat;
    if (failure.nSystemError != 0) text += ": " + sqz::SystemErrorText(failure.nSystemError);
    return text;
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
    if (!(bBest ? CompressSwfBest(compressed, work.strOutput) : CompressSwf(compressed, work.strOutput))) {
        int error = sqz::LastSystemError();
        result.bProtected = 0;
        result.failure = CompressFailure(compressed, work.strOutput, error);
        return result;
    }
    result.bOk = 1;
    result.nBefore = GetFileSizeOnDisk(compressed);
    result.nAfter = GetFileSizeOnDisk(work.strOutput);
    result.nRatio = SavingRatio(result.nBefore, result.nAfter);
    return result;
}

MovieFailure ReplaceMovie(const std::string& source, const std::string& output, int bBackup) {
    const MovieStep first = bBackup ? MovieStep::kBackup : MovieStep::kReplace;
    // The source must still be there and uncompressed: a movie that went away is not created again, and one that
    // was compressed meanwhile (by another run) is not replaced by an older content.
    sqz::FileEntry entry;
    if (!Files().Find(source, &entry) || entry.bFolder)
        return Failure(first, "the movie " + source + " is gone", sqz::LastSystemError());
    {
        std::unique_ptr<sqz::ReadFile> in = Files().OpenRead(source);
        unsigned char head[3] = {};
        size_t got = in ? in->Read(head, sizeof head) : 0;
        if (!in || in->Failed()) return Failure(first, "cannot read " + source, sqz::LastSystemError());
        if (got == 3 && std::memcmp(head, "CWS", 3) == 0) return Failure(first, source + " is already compressed");
    }
    if (!IsCompressedSwf(output))
        return Failure(MovieStep::kReplace, "the compressed movie " + output + " is missing or damaged");

    if (bBackup) {
        MovieFailure f = CopyDurably(MovieStep::kBackup, source, GetBackupPath(source), false);
        if (f.step != MovieStep::kNone) return f;
    }
    return CopyDurably(MovieStep::kReplace, output, source, true);
}
