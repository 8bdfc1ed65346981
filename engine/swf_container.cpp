// The file-to-file conversions between the movie forms, with bounded buffers, and projector extraction.
#include "swf_container.h"

#include <cstring>
#include <memory>

#include "atomic_file.h"
#include "busy_hook.h"
#include "mbcs.h"
#include "platform.h"
#include "swf_body.h"
#include "swf_encode.h"

using sqz::AtomicFile;
using sqz::Files;
using sqz::ReadFile;

namespace {
// Block of the decompression's copy: memory use does not grow with the movie.
constexpr size_t kChunk = 256 * 1024;
}  // namespace

namespace {

SwfResult Failed(SwfReason reason) { return {reason, sqz::LastSystemError()}; }

// Why a file whose first `got` bytes are `head` is not of the form `signature` ("FWS", or "CWS" for either
// compressed form); kNone when it is.
SwfReason SignatureReason(const unsigned char* head, size_t got, const char* signature) {
    SwfCoding coding;
    bool movie = SwfCodingOf(head, got, &coding);
    bool compressed = movie && coding != SwfCoding::kStored;
    if (signature[0] == 'C') return compressed ? SwfReason::kNone : SwfReason::kNotCompressed;
    if (movie && !compressed) return SwfReason::kNone;
    return compressed ? SwfReason::kAlreadyCompressed : SwfReason::kNotUncompressed;
}

// Opens the movie at `path` into `*in`, reads its 8-byte header and checks its signature; `*size` receives the
// file size.
SwfResult OpenMovie(const std::string& path, const char* signature, unsigned char header[8], uint64_t* size,
                    std::unique_ptr<ReadFile>* in) {
    *in = Files().OpenRead(path);
    if (!*in) return Failed(SwfReason::kCannotRead);
    size_t got = (*in)->Read(header, kSwfHeaderSize);
    int64_t s = (*in)->Size();
    if ((*in)->Failed() || s < 0) return Failed(SwfReason::kCannotRead);
    SwfReason reason = SignatureReason(header, got, signature);
    if (reason == SwfReason::kNone && (got < kSwfHeaderSize || s < static_cast<int64_t>(kSwfHeaderSize)))
        reason = SwfReason::kTooShort;
    *size = static_cast<uint64_t>(s);
    return {reason};
}

// CompressSwfEx and CompressSwfBestEx: the source's body, read as it stands, encoded with `method`.
SwfResult CompressWith(sqz::SwfMethod method, const std::string& source, const std::string& destination,
                       unsigned char* pSourceVersion) {
    unsigned char header[kSwfHeaderSize];
    uint64_t size = 0;
    std::unique_ptr<ReadFile> in;
    SwfResult opened = OpenMovie(source, "FWS", header, &size, &in);
    if (!opened.Ok()) return opened;
    if (size > 0xFFFFFFFFu) return {SwfReason::kTooLarge};  // the length field holds 32 bits
    if (!sqz::CanCompressWith(method)) return {SwfReason::kNoZopfli};

    AtomicFile out;
    if (!out.Open(destination)) return {SwfReason::kCannotWrite, out.Error()};
    sqz::SwfBodyReader body(*in, header, kSwfHeaderSize, size, SwfCoding::kStored);
    SwfResult encoded = sqz::EncodeMovie(method, CompressedSwfVersion(header[3]), static_cast<uint32_t>(size),
                                         size - kSwfHeaderSize, body, *out.File());
    if (!encoded.Ok()) return encoded;
    in.reset();  // a source being replaced in place must be closed first on Windows
    if (!out.Commit()) return {SwfReason::kCannotWrite, out.Error()};
    if (pSourceVersion) *pSourceVersion = header[3];
    return SwfResult();
}

}  // namespace

bool HasSwfSignature(const unsigned char* head, size_t got, const char* signature) {
    return got >= 3 && std::memcmp(head, signature, 3) == 0;
}

bool SwfCodingOf(const unsigned char* head, size_t got, SwfCoding* coding) {
    static const struct {
        const char* signature;
        SwfCoding coding;
    } kForms[] = {{"FWS", SwfCoding::kStored}, {"CWS", SwfCoding::kZlib}, {"ZWS", SwfCoding::kLzma}};
    for (const auto& form : kForms)
        if (HasSwfSignature(head, got, form.signature)) {
            *coding = form.coding;
            return true;
        }
    return false;
}

SwfResult CheckSwfSignature(const std::string& path, const char* signature) {
    std::unique_ptr<ReadFile> in = Files().OpenRead(path);
    if (!in) return Failed(SwfReason::kCannotRead);
    unsigned char head[3];
    size_t got = in->Read(head, sizeof head);
    if (in->Failed()) return Failed(SwfReason::kCannotRead);
    return {SignatureReason(head, got, signature)};
}

SwfResult CompressSwfEx(const std::string& source, const std::string& destination, unsigned char* pSourceVersion) {
    return CompressWith(sqz::SwfMethod::kZlib, source, destination, pSourceVersion);
}

int CanCompressSwfBest() { return sqz::CanCompressWith(sqz::SwfMethod::kZopfli); }

SwfResult CompressSwfBestEx(const std::string& source, const std::string& destination, unsigned char* pSourceVersion) {
    return CompressWith(sqz::SwfMethod::kZopfli, source, destination, pSourceVersion);
}

SwfResult DecompressSwfEx(const std::string& source, const std::string& destination) {
    unsigned char header[kSwfHeaderSize];
    uint64_t size = 0;
    std::unique_ptr<ReadFile> in;
    SwfResult opened = OpenMovie(source, "CWS", header, &size, &in);
    if (!opened.Ok()) return opened;
    SwfCoding coding = SwfCoding::kZlib;
    SwfCodingOf(header, kSwfHeaderSize, &coding);

    AtomicFile out;
    if (!out.Open(destination)) return {SwfReason::kCannotWrite, out.Error()};
    unsigned char fws[kSwfHeaderSize] = {'F', 'W', 'S', header[3]};  // length patched at the end
    if (!out.File()->Write(fws, sizeof fws)) return Failed(SwfReason::kCannotWrite);

    sqz::SwfBodyReader body(*in, header, kSwfHeaderSize, size, coding);
    std::unique_ptr<unsigned char[]> block(new unsigned char[kChunk]);
    for (;;) {
        if (!sqz::Busy()) return {SwfReason::kCancelled};
        size_t got = body.Read(block.get(), kChunk);
        if (got && !out.File()->Write(block.get(), got)) return Failed(SwfReason::kCannotWrite);
        if (got < kChunk) break;
    }
    if (!body.Finish()) {
        SwfReason why = body.Failure();
        return {why == SwfReason::kNone ? SwfReason::kBrokenStream : why,
                why == SwfReason::kCannotRead ? sqz::LastSystemError() : 0};
    }
    WriteLE32(fws + 4, static_cast<uint32_t>(body.Position() + kSwfHeaderSize));
    if (!out.File()->Seek(4) || !out.File()->Write(fws + 4, 4)) return Failed(SwfReason::kCannotWrite);
    in.reset();  // a source being replaced in place must be closed first on Windows
    return out.Commit() ? SwfResult() : SwfResult{SwfReason::kCannotWrite, out.Error()};
}

SwfResult ExtractProjectorSwfEx(const std::string& projector, const std::string& destination) {
    if (sqz::SamePath(projector, destination)) return {};
    std::unique_ptr<ReadFile> in = Files().OpenRead(projector);
    if (!in) return Failed(SwfReason::kCannotRead);
    std::unique_ptr<sqz::WriteFile> out = Files().OpenWrite(destination, sqz::CreateMode::kTruncate);
    if (!out) return Failed(SwfReason::kCannotWrite);

    SwfResult result = {SwfReason::kNoMovie};  // no trailer magic: the destination stays empty
    int64_t size = in->Size();
    unsigned char trailer[kProjectorTrailerSize];
    if (size >= static_cast<int64_t>(kProjectorTrailerSize) &&
        in->Seek(static_cast<uint64_t>(size) - kProjectorTrailerSize) &&
        in->Read(trailer, sizeof trailer) == sizeof trailer && ReadLE32(trailer) == kProjectorMagic) {
        uint64_t length = ReadLE32(trailer + 4);
        uint64_t before = static_cast<uint64_t>(size) - kProjectorTrailerSize;
        // A length that reaches before the start of the file names no movie either.
        if (length <= before) result = in->Seek(before - length) ? SwfResult() : Failed(SwfReason::kCannotRead);
        unsigned char chunk[2048];
        for (uint64_t left = result.Ok() ? length : 0; left > 0;) {
            size_t n = left < sizeof chunk ? static_cast<size_t>(left) : sizeof chunk;
            std::memset(chunk, 0, sizeof chunk);  // bytes a read does not deliver are written as zeros
            in->Read(chunk, n);
            if (!out->Write(chunk, n)) {
                result = Failed(SwfReason::kCannotWrite);
                break;
            }
            left -= n;
        }
    }
    if (!out->Close() && result.Ok()) result = Failed(SwfReason::kCannotWrite);
    return result;
}
