// The on-disk layout of a Flash movie (SWF header, frame header, tag record header, projector trailer) and the
// file-to-file conversions between the uncompressed ("FWS") and compressed ("CWS") forms.
//
// Every operation takes paths, returns an integer flag (non-zero for success or a true answer), never changes
// its source and closes every file it opened on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The 8-byte SWF header: signature (3 bytes), version (1), length of the uncompressed movie (4, little-endian).
constexpr size_t kSwfHeaderSize = 8;
// Version byte of every movie that CompressSwf writes.
constexpr unsigned char kCompressedSwfVersion = 6;
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

// Non-zero when the file opens and its first three bytes are "CWS" (0 when it cannot be opened or is shorter).
int IsCompressedSwf(const std::string& path);

// Compresses an uncompressed movie: writes "CWS", version 6, the source's size S as the length field, then the
// source's S - 8 bytes after its header as one zlib stream (the same bytes as zlib compress() at the default
// level). Fails (0) when the source does not open, does not start with "FWS", is shorter than 8 bytes or
// cannot be read whole, or when the destination cannot be written. The destination is created or replaced
// only on success, in one step; a failure leaves it as it was.
int CompressSwf(const std::string& source, const std::string& destination);

// Compresses an uncompressed movie as CompressSwf does, into the smallest zlib stream Zopfli finds: the same
// format, which every reader of compressed movies inflates, with the header zlib writes at its best level and
// zlib's Adler-32 check value. The body is read and compressed in blocks of 1,000,000 bytes, each with the 32 KB
// before it as history, so memory stays bounded (some tens of MB) whatever the size of the movie, and the output
// is byte for byte what Zopfli makes of the whole body at once. Some 50 to 250 times slower than CompressSwf.
// Fails (0) as CompressSwf does, and always when the build has no Zopfli (CanCompressSwfBest() is 0). The
// destination is created or replaced only on success, in one step.
int CompressSwfBest(const std::string& source, const std::string& destination);

// Non-zero when this build has Zopfli, so that CompressSwfBest can work.
int CanCompressSwfBest();

// Decompresses a compressed movie: writes "FWS", the source's version byte, D + 8 as the length field (D the
// inflated length) and the inflated bytes. The header's own length field is not trusted. Fails (0) when the
// source does not start with "CWS", is shorter than 8 bytes, when its zlib stream is broken or does not end,
// when the movie would not fit a 32-bit length, or when the destination cannot be written. Bytes after the end
// of the zlib stream are ignored. The destination is created or replaced only on success, in one step.
int DecompressSwf(const std::string& source, const std::string& destination);

// Copies the movie appended to a Flash projector (the L bytes before the trailer) to `destination`, in chunks of
// 2048 bytes. The destination is created or emptied as soon as both files open; it stays empty when the
// projector has no trailer magic or when L is larger than the bytes before the trailer. The movie is not
// checked. Always non-zero; a caller learns that there was no movie from the empty destination. A destination
// that names the projector itself is not touched.
int ExtractProjectorSwf(const std::string& projector, const std::string& destination);
