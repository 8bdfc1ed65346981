// Import protection: whether a movie carries a Protect tag, and the protected copy of a movie, which holds one
// Protect tag with an empty body (the bytes 00 06) as its first tag, directly after the frame header.
//
// No operation changes its source or keeps anything between calls; ProtectSwfVia lets each caller (a thread of
// the command-line tool, say) use work files of its own.
#pragma once

#include <string>

#include "swf_result.h"

// Non-zero when the movie, compressed or not, holds a tag with code 24 before its End tag. The tag records after
// the frame header are walked in file order, over their short or long lengths; the walk answers 0 when it
// reaches the End tag first, or when the tag stream ends with the movie's data before an End tag (a tag header
// that is not whole, or a length that reaches past the end). A compressed movie ("CWS" or "ZWS") is decoded in
// memory as a stream, with no work file, and answers 0 unless its whole stream is sound. Any other file is walked as
// an uncompressed movie. 0 when the file does not open.
int IsSwfProtected(const std::string& path);

// The names of the protection step's work files in a work folder: the source decompressed, and that with the tag.
constexpr char kProtectWork1[] = "SwfTemp1.swf";
constexpr char kProtectWork2[] = "SwfTemp2.swf";

// Writes the protected copy of `source` to `destination`; non-zero when the destination was written. An
// uncompressed source gives an uncompressed copy (InsertProtectTag); a compressed one a compressed copy with
// the version CompressSwf gives the source's (CompressedSwfVersion), by way of the work files kProtectWork1 and
// kProtectWork2 in GetTempFolder(), which stay there until it is emptied. A failure leaves an existing destination as
// it was.
int ProtectSwf(const std::string& source, const std::string& destination);

// ProtectSwf with the work files `work1` (the decompressed source) and `work2` (with the tag) chosen by the
// caller; they are left in place. A compressed source fails (0), writing nothing, when a work file names the
// source or the destination, or both work files are one. Fails with the reason of the step that failed:
// kCannotRead, kCannotWrite (also for such work files), or those of DecompressSwfEx, InsertProtectTagEx and
// CompressSwfEx.
SwfResult ProtectSwfViaEx(const std::string& source, const std::string& destination, const std::string& work1,
                          const std::string& work2);
inline int ProtectSwfVia(const std::string& source, const std::string& destination, const std::string& work1,
                         const std::string& work2) {
    return ProtectSwfViaEx(source, destination, work1, work2).Ok();
}

// The protection step for an uncompressed movie of declared length N and frame rectangle length R: copies the
// signature and version, writes N + 2 as the length field, copies the R + 4 bytes of the frame header, writes
// 00 06, then copies the next N - R - 12 bytes. The destination is exactly N + 2 bytes long; bytes the source
// holds beyond N are left out. The signature is not tested. Fails (0), writing nothing, when the source does not
// open, when N is smaller than R + 12 (no whole frame header) or larger than the source file (a header that
// claims more than the file holds, up to 4 GB), or when the destination cannot be written; an existing
// destination is then left as it was. `destination` may be `source`. The reasons: kCannotRead, kTooShort (no
// whole frame header, or a header claiming more than the file holds), kTooLarge, kCannotWrite.
SwfResult InsertProtectTagEx(const std::string& source, const std::string& destination);
inline int InsertProtectTag(const std::string& source, const std::string& destination) {
    return InsertProtectTagEx(source, destination).Ok();
}
