// The on-disk layout of a Flash movie (SWF header, frame header, tag record header, projector trailer) and the
// file-to-file conversions between the uncompressed ("FWS") and compressed ("CWS", and for reading "ZWS") forms.
//
// Every operation takes paths, never changes its source and closes every file it opened on every path. The ones
// ending in Ex say why they failed (SwfResult); the integer-flag operations (non-zero for success or a true
// answer) are one-line wrappers over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "swf_result.h"

// The 8-byte SWF header: signature (3 bytes), version (1), length of the uncompressed movie (4, little-endian).
constexpr size_t kSwfHeaderSize = 8;
// How a movie's body (the bytes after its header, as an uncompressed movie holds them) is stored.
enum class SwfCoding {
    kStored,  // "FWS": the body itself
    kZlib,    // "CWS": one zlib stream
    kLzma,    // "ZWS": the length of the compressed data (4 bytes, which players ignore), the 5 LZMA property bytes,
              // then a raw LZMA stream of (length field - 8) bytes, with or without an end marker
};
// The header of an LZMA movie: the 8 bytes of every movie, the compressed length and the LZMA properties.
constexpr size_t kLzmaSwfHeaderSize = 17;
// The lowest version of an LZMA movie: players read the form from version 13 on.
constexpr unsigned char kMinLzmaSwfVersion = 13;
// The lowest version a compressed movie can have: players before version 6 do not read the compressed form.
constexpr unsigned char kMinCompressedSwfVersion = 6;
// The version byte CompressSwf writes for a source of version `source`: its own from 6 on, since the player runs a
// movie's scripts by the rules of its version (7 is case-sensitive, 6 is not), and 6 below that.
inline unsigned char CompressedSwfVersion(unsigned char source) {
    return source < kMinCompressedSwfVersion ? kMinCompressedSwfVersion : source;
}
// Last 8 bytes of a Flash projector: this magic, then the length L of the movie that ends just before it.
constexpr uint32_t kProjectorMagic = 0xFA123456u;
constexpr size_t kProjectorTrailerSize = 8;
// Tag codes with a meaning here.
constexpr unsigned kTagEnd = 0;
constexpr unsigned kTagProtect = 24;

// Bytes of the frame rectangle whose first byte is `first`: ((4 * Nbits + 5) div 8) + 1, Nbits being its top
// five bits.
inline size_t SwfRectLength(unsigned char first) { return ((4u * (first >> 3) + 5u) / 8u) + 1u; }

inline uint32_t ReadLE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void WriteLE32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// True when the first `got` bytes of a file, `head`, begin with the three bytes of `signature` ("FWS", "CWS" or
// "ZWS"); a file shorter than three bytes never matches. The one signature test of the engine.
bool HasSwfSignature(const unsigned char* head, size_t got, const char* signature);
// The coding the signature at the start of `head` names into `*coding`; false when it is none of the three.
bool SwfCodingOf(const unsigned char* head, size_t got, SwfCoding* coding);

// Whether the file at `path` begins with `signature`: "FWS", or "CWS" for a compressed movie of either form ("CWS"
// or "ZWS"). kNone when it does; kCannotRead when it does not open or cannot be read; kAlreadyCompressed for a
// compressed movie where "FWS" is wanted, else kNotUncompressed or kNotCompressed.
SwfResult CheckSwfSignature(const std::string& path, const char* signature);
// Non-zero when the file opens and its first three bytes are "CWS" or "ZWS": a compressed movie (0 when it cannot be
// opened or is shorter).
inline int IsCompressedSwf(const std::string& path) { return CheckSwfSignature(path, "CWS").Ok(); }

// Compresses an uncompressed movie: writes "CWS", the version CompressedSwfVersion gives for the source's version
// byte (7 stays 7, 5 becomes 6), the source's size S as the length field, then the source's S - 8 bytes after its
// header as one zlib stream (the same bytes as zlib compress() at the default level). The destination is created
// or replaced only on success, in one step; a failure leaves it as it was. `pSourceVersion`, when given, receives
// the source's version byte on success. Fails as CheckSwfSignature for "FWS", with kTooShort below 8 bytes,
// kTooLarge at 4 GB or more, kCannotRead, kNoMemory, or kCannotWrite when the destination cannot be written.
SwfResult CompressSwfEx(const std::string& source, const std::string& destination,
                        unsigned char* pSourceVersion = nullptr);
inline int CompressSwf(const std::string& source, const std::string& destination) {
    return CompressSwfEx(source, destination).Ok();
}

// Compresses an uncompressed movie as CompressSwf does, into the smallest zlib stream Zopfli finds: the same
// format, which every reader of compressed movies inflates, with the header zlib writes at its best level and
// zlib's Adler-32 check value. The body is read and compressed in blocks of 1,000,000 bytes, each with the 32 KB
// before it as history, so memory stays bounded (some tens of MB) whatever the size of the movie, and the output
// is byte for byte what Zopfli makes of the whole body at once. Some 50 to 250 times slower than CompressSwf.
// Fails as CompressSwfEx does, and always (kNoZopfli) when the build has no Zopfli (CanCompressSwfBest() is 0). The
// destination is created or replaced only on success, in one step.
SwfResult CompressSwfBestEx(const std::string& source, const std::string& destination,
                            unsigned char* pSourceVersion = nullptr);
inline int CompressSwfBest(const std::string& source, const std::string& destination) {
    return CompressSwfBestEx(source, destination).Ok();
}

// Non-zero when this build has Zopfli, so that CompressSwfBest can work.
int CanCompressSwfBest();

// Decompresses a compressed movie ("CWS", or "ZWS"): writes "FWS", the source's version byte, D + 8 as the length
// field (D the inflated length) and the inflated bytes. The zlib form's length field is not trusted; the LZMA form's
// is its stream's size. Bytes after the end of the stream are ignored. The destination is created or replaced only on
// success, in one step. Fails as CompressSwfEx (for "CWS"), and with kBrokenStream when the stream is broken or does
// not end, kTooLarge when the movie would not fit a 32-bit length or an LZMA movie would need more memory than a
// reader allows itself.
SwfResult DecompressSwfEx(const std::string& source, const std::string& destination);
inline int DecompressSwf(const std::string& source, const std::string& destination) {
    return DecompressSwfEx(source, destination).Ok();
}

// Copies the movie appended to a Flash projector (the L bytes before the trailer) to `destination`, in chunks of
// 2048 bytes. The destination is created or emptied as soon as both files open; it stays empty when the
// projector has no trailer magic or when L is larger than the bytes before the trailer (kNoMovie). The movie is
// not checked. kCannotRead when the projector does not open, kCannotWrite when the destination cannot be made or
// written. A destination that names the projector itself is not touched (kNone).
SwfResult ExtractProjectorSwfEx(const std::string& projector, const std::string& destination);
// Always non-zero; a caller learns that there was no movie from the empty destination.
inline int ExtractProjectorSwf(const std::string& projector, const std::string& destination) {
    ExtractProjectorSwfEx(projector, destination);
    return 1;
}
