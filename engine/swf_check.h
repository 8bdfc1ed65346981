// What is odd about a movie's container, told without changing anything: the archive check of the command-line
// tool. A movie can play and still be odd (a length field that lies, bytes after its end); these are the things a
// collection's keeper wants to know before trusting or rewriting it.
#pragma once

#include <string>
#include <vector>

#include "swf_result.h"

// One thing found odd.
enum class MovieFinding {
    kNotAMovie,         // no movie signature, or version 0
    kCompressedBelow6,  // a compressed movie below version 6, which players of its version cannot read
    kLzmaBelow13,       // an LZMA movie below version 13, which players of its version cannot read
    kBrokenStream,      // the compressed stream is truncated or corrupt (or needs more memory than a reader allows)
    kLengthMismatch,    // the length field differs from the size the body gives
    kBytesAfterStream,  // bytes after the end of the compressed stream
    kNoEndTag,          // the tag stream has no End tag
    kBytesAfterEndTag,  // bytes after the End tag
};

struct MovieCheck {
    SwfResult read;  // kCannotRead when the file could not be read at all (then there are no findings)
    struct Item {
        MovieFinding finding;
        std::string strText;  // "the length field says 5000 bytes, the movie has 4990"
    };
    std::vector<Item> findings;
};

// Reads the movie at `path` from end to end (decoding a compressed one and walking its tags) and says what is odd.
MovieCheck CheckMovie(const std::string& path);

// A short, fixed word for a finding, for programs: "notAMovie", "compressedBelow6", "lzmaBelow13", "brokenStream",
// "lengthMismatch", "bytesAfterStream", "noEndTag", "bytesAfterEndTag".
const char* MovieFindingCode(MovieFinding finding);
