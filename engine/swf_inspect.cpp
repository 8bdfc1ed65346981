// Reading a movie's properties from its header and frame header, and writing them as text.
#include "swf_inspect.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

#include "mbcs.h"
#include "platform.h"
#include "swf_body.h"
#include "swf_container.h"
#include "swf_tags.h"

using sqz::Files;
using sqz::ReadFile;

namespace {

// The longest frame rectangle: Nbits 31 gives ((4 * 31 + 5) div 8) + 1 bytes.
constexpr size_t kMaxRectLength = 17;

// Where in the opened file the movie lies, and what is known about the file itself.
struct MovieSpan {
    uint64_t begin = 0;
    uint64_t end = 0;
    bool projector = false;
    uint32_t storedLength = 0;  // a projector's L
};

uint32_t ClampTime(int64_t t) {
    if (t < 0) return 0;
    return t > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(t);
}

// Finds the movie of the file: the whole file, or for a projector the L bytes before its trailer. False when a
// projector holds no movie.
bool LocateMovie(ReadFile& file, const std::string& path, uint64_t size, MovieSpan* span) {
    span->end = size;
    if (!NameEndsWithExe(path)) return true;
    span->projector = true;
    unsigned char trailer[kProjectorTrailerSize];
    if (size < kProjectorTrailerSize || !file.Seek(size - kProjectorTrailerSize) ||
        file.Read(trailer, sizeof trailer) != sizeof trailer || ReadLE32(trailer) != kProjectorMagic)
        return false;
    uint64_t length = ReadLE32(trailer + 4);
    uint64_t before = size - kProjectorTrailerSize;
    if (length > before) return false;  // a movie that would start before the file does
    span->begin = before - length;
    span->end = before;
    span->storedLength = static_cast<uint32_t>(length);
    return true;
}

// Fills the frame fields from the frame header at the start of `body`; bytes the body lacks read as 0.
void ReadFrameHeader(sqz::SwfBodyReader& body, SwfFileInfo* info) {
    unsigned char rect[kMaxRectLength] = {};
    body.Read(rect, 1);
    // The rectangle is decoded through its bit text: Nbits from the top five bits, then Xmax and Ymax.
    size_t nbits = BitStringValue(ByteToBitString(rect[0]), 0, 5);
    size_t length = ((4 * nbits + 5) / 8) + 1;
    body.Read(rect + 1, length - 1);
    std::string bits;
    bits.reserve(8 * length);
    for (size_t i = 0; i < length; ++i) bits += ByteToBitString(rect[i]);
    // At most 31 bits each, so the values are below 2^31 and the signed division is the unsigned one.
    info->nWidth = static_cast<int32_t>(BitStringValue(bits, nbits + 5, 2 * nbits + 5)) / 20;
    info->nHeight = static_cast<int32_t>(BitStringValue(bits, 3 * nbits + 5, 4 * nbits + 5)) / 20;
    unsigned char rate[4] = {};
    body.Read(rate, sizeof rate);
    info->nFrameRate = rate[1];
    info->nFrameCount = rate[2] | (rate[3] << 8);
}

// The reading of ReadSwfInfo (`inflate` true) and of ReadSwfHeaderInfo (false) into `*out`; ReadSwfRowInfo leaves
// out the creation time (`withTime` false) and asks whether the file itself is compressed (`fileCompressed`); `facts`,
// when given, receives what else the reading tells, the protection among it.
SwfResult ReadMovieFile(const std::string& path, bool inflate, SwfFileInfo* out, bool withTime = true,
                        int* fileCompressed = nullptr, SwfFileFacts* facts = nullptr) {
    *out = SwfFileInfo{};
    SwfFileInfo& info = *out;
    if (fileCompressed) *fileCompressed = 0;
    if (facts) *facts = SwfFileFacts{};
    std::unique_ptr<ReadFile> file = Files().OpenRead(path);
    int64_t size = file ? file->Size() : -1;
    if (size < 0) return {SwfReason::kCannotRead, sqz::LastSystemError()};
    MovieSpan span;
    bool located = LocateMovie(*file, path, static_cast<uint64_t>(size), &span);
    if (fileCompressed) {
        // The signature of the file itself: a projector's movie may be compressed while the file is not.
        unsigned char start[3] = {};
        SwfCoding coding;
        *fileCompressed = file->Seek(0) && file->Read(start, sizeof start) == sizeof start &&
                          SwfCodingOf(start, sizeof start, &coding) && coding != SwfCoding::kStored;
    }
    if (!located) return {};

    unsigned char header[kSwfHeaderSize] = {};
    size_t got = 0;
    if (file->Seek(span.begin))
        got = file->Read(header, static_cast<size_t>(std::min<uint64_t>(kSwfHeaderSize, span.end - span.begin)));
    // Only a file that starts with a movie signature is a movie.
    SwfCoding coding = SwfCoding::kStored;
    if (!SwfCodingOf(header, got, &coding)) return {};
    if (!inflate) coding = SwfCoding::kStored;
    bool compressed = coding != SwfCoding::kStored;
    // The size of a compressed movie as it is stored: the file's, or the L bytes inside a projector.
    uint32_t stored = span.projector ? span.storedLength : static_cast<uint32_t>(size);
    if (got < kSwfHeaderSize) {
        if (compressed) info.nFileSize = stored;
        return {};
    }

    sqz::SwfBodyReader body(*file, header, span.begin + kSwfHeaderSize, span.end, coding);
    ReadFrameHeader(body, &info);
    sqz::SwfTagWalk walk;
    if (facts) walk = sqz::WalkSwfTags(body, sqz::kWalkProtect);
    if (compressed && !body.Finish()) {
        // A compressed movie that does not decode whole is a bad file; only its size is known.
        info = SwfFileInfo{};
        info.nFileSize = stored;
        return {};
    }
    info.nVersion = header[3];
    if (compressed)
        info.nFileSize = stored;
    else if (span.projector && !inflate)
        info.nFileSize = static_cast<uint32_t>(size);
    else
        info.nFileSize = ReadLE32(header + 4);
    if (facts) {
        facts->coding = coding;
        facts->bProtected = walk.bProtected;
    }
    sqz::FileEntry entry;
    if (withTime && Files().Find(path, &entry)) info.tCreated = ClampTime(entry.tCreated);
    return {};
}

// The record ReadMovieFile leaves.
SwfFileInfo MovieFileInfo(const std::string& path, bool inflate) {
    SwfFileInfo info;
    ReadMovieFile(path, inflate, &info);
    return info;
}

}  // namespace

bool NameEndsWithExe(const std::string& path) {
    // ".exe" cannot be the tail of a double-byte character: '.' is neither a lead nor a trail byte.
    return path.size() >= 4 && sqz::MbsICmp(path.substr(path.size() - 4), ".exe") == 0;
}

SwfResult ReadSwfInfoEx(const std::string& path, SwfFileInfo* info, SwfFileFacts* facts) {
    return ReadMovieFile(path, true, info, true, nullptr, facts);
}

SwfFileInfo ReadSwfInfo(const std::string& path) { return MovieFileInfo(path, true); }

SwfFileInfo ReadSwfHeaderInfo(const std::string& path) { return MovieFileInfo(path, false); }

SwfFileInfo ReadSwfRowInfo(const std::string& path, int* pbCompressedFile) {
    SwfFileInfo info;
    ReadMovieFile(path, true, &info, false, pbCompressedFile);
    return info;
}

std::string ByteToBitString(unsigned char byte) {
    std::string bits(8, '0');
    for (int i = 0; i < 8; ++i)
        if (byte & (0x80 >> i)) bits[static_cast<size_t>(i)] = '1';
    return bits;
}

uint32_t BitStringValue(const std::string& bits, size_t start, size_t end) {
    if (end > bits.size()) end = bits.size();
    uint32_t value = 0;
    for (size_t i = start; i < end; ++i) value = (value << 1) | (bits[i] == '1' ? 1u : 0u);
    return value;
}

std::string SwfVersionText(const SwfFileInfo& info) {
    if (info.nVersion == 6 || info.nVersion == 7) return "Flash MX";
    char text[24];
    std::snprintf(text, sizeof text, "Flash %d", static_cast<int>(info.nVersion));
    return text;
}

std::string SwfLengthText(const SwfFileInfo& info) {
    char text[24];
    std::snprintf(text, sizeof text, "%d K", static_cast<int>(info.nFileSize / 1024u + 1u));
    return text;
}

std::string SwfFrameSizeText(const SwfFileInfo& info) {
    char text[32];
    std::snprintf(text, sizeof text, "%d X %d", static_cast<int>(info.nWidth), static_cast<int>(info.nHeight));
    return text;
}

std::string SwfCreatedText(const SwfFileInfo& info) {
    std::time_t t = static_cast<std::time_t>(info.tCreated);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &t) != 0) return std::string();
#else
    if (!localtime_r(&t, &local)) return std::string();
#endif
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %d:%d:%d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
                  local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}
