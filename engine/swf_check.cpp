// Reading a movie from end to end and naming what is odd about it.
#include "swf_check.h"

#include <memory>

#include "platform.h"
#include "swf_body.h"
#include "swf_container.h"
#include "swf_tags.h"

namespace {

struct FindingName {
    MovieFinding finding;
    const char* pszCode;
};
const FindingName kFindingNames[] = {
    {MovieFinding::kNotAMovie, "notAMovie"},
    {MovieFinding::kCompressedBelow6, "compressedBelow6"},
    {MovieFinding::kLzmaBelow13, "lzmaBelow13"},
    {MovieFinding::kBrokenStream, "brokenStream"},
    {MovieFinding::kLengthMismatch, "lengthMismatch"},
    {MovieFinding::kBytesAfterStream, "bytesAfterStream"},
    {MovieFinding::kNoEndTag, "noEndTag"},
    {MovieFinding::kBytesAfterEndTag, "bytesAfterEndTag"},
};

}  // namespace

const char* MovieFindingCode(MovieFinding finding) {
    for (const FindingName& name : kFindingNames)
        if (name.finding == finding) return name.pszCode;
    return "";
}

MovieCheck CheckMovie(const std::string& path) {
    MovieCheck check;
    auto find = [&](MovieFinding finding, std::string text) { check.findings.push_back({finding, std::move(text)}); };
    std::unique_ptr<sqz::ReadFile> file = sqz::Files().OpenRead(path);
    int64_t size = file ? file->Size() : -1;
    if (size < 0) {
        check.read = {SwfReason::kCannotRead, sqz::LastSystemError()};
        return check;
    }
    unsigned char header[kSwfHeaderSize] = {};
    size_t got = file->Read(header, sizeof header);
    if (file->Failed()) {
        check.read = {SwfReason::kCannotRead, sqz::LastSystemError()};
        return check;
    }
    SwfCoding coding;
    if (!SwfCodingOf(header, got, &coding) || got < kSwfHeaderSize || header[3] == 0) {
        find(MovieFinding::kNotAMovie, got < kSwfHeaderSize ? "no whole movie header" : "not a movie");
        return check;
    }
    const unsigned version = header[3];
    const std::string v = std::to_string(version);
    if (coding == SwfCoding::kZlib && version < kMinCompressedSwfVersion)
        find(MovieFinding::kCompressedBelow6, "a compressed movie of version " + v + " (players read them from 6 on)");
    if (coding == SwfCoding::kLzma && version < kMinLzmaSwfVersion)
        find(MovieFinding::kLzmaBelow13, "an LZMA movie of version " + v + " (players read them from 13 on)");

    sqz::SwfBodyReader body(*file, header, kSwfHeaderSize, static_cast<uint64_t>(size), coding);
    sqz::SwfTagWalk walk;
    if (sqz::SkipSwfFrameHeader(body)) walk = sqz::WalkSwfTags(body, sqz::kWalkToEnd);
    const bool sound = body.Finish();
    if (body.Failure() == SwfReason::kCannotRead) {
        check.findings.clear();
        check.read = {SwfReason::kCannotRead, sqz::LastSystemError()};
        return check;
    }
    if (!sound) {
        find(MovieFinding::kBrokenStream, body.Failure() == SwfReason::kTooLarge
                                              ? "the compressed stream would need more than a reader may take"
                                              : "the compressed stream is truncated or corrupt");
        return check;
    }
    const uint64_t length = body.Position() + kSwfHeaderSize;
    if (length != ReadLE32(header + 4))
        find(MovieFinding::kLengthMismatch, "the length field says " + std::to_string(ReadLE32(header + 4)) +
                                                " bytes, the movie has " + std::to_string(length));
    if (body.BytesAfterStream() > 0)
        find(MovieFinding::kBytesAfterStream,
             std::to_string(body.BytesAfterStream()) + " bytes after the end of the compressed stream");
    if (!walk.bEndTag)
        find(MovieFinding::kNoEndTag,
             walk.bWhole ? "the tags end without an End tag" : "a tag runs past the end of the movie, with no End tag");
    else if (walk.nAfterEnd > 0)
        find(MovieFinding::kBytesAfterEndTag, std::to_string(walk.nAfterEnd) + " bytes after the End tag");
    return check;
}
