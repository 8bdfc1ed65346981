// Why an engine operation on movie files failed: the one vocabulary of reasons of the engine, the file list and the
// command-line tool, each with the system's error code behind it where there is one.
#pragma once

enum class SwfReason {
    kNone,               // nothing failed
    kCannotRead,         // a file does not open or cannot be read
    kCannotWrite,        // a file cannot be created, written or put in place
    kAlreadyCompressed,  // a compressed movie ("CWS") where an uncompressed one is wanted
    kNotUncompressed,    // neither "FWS" nor "CWS" where an uncompressed movie is wanted
    kNotCompressed,      // not "CWS" where a compressed movie is wanted
    kTooShort,           // shorter than the 8-byte movie header
    kTooLarge,           // a movie of 4 GB or more, which the header's 32-bit length field cannot hold
    kBrokenStream,       // a compressed movie whose zlib stream is broken or does not end
    kNoMovie,            // a projector without a movie (no trailer magic, or a length reaching before the file)
    kNoMemory,           // zlib could not have the memory it needs
    kGone,               // the movie is no longer there
    kBadFlashFile,       // not a movie of version 1 to 7: the batches pass over it
    kLowVersion,         // below version 6, which compressing would raise to 6: passed over when asked to keep it
    kNoZopfli,           // the smallest compression was asked of a build without Zopfli
};

// What an operation came to.
struct SwfResult {
    SwfReason reason = SwfReason::kNone;
    int nSystemError = 0;  // the system's error code (LastSystemError) right after the failure; 0 when none
    bool Ok() const { return reason == SwfReason::kNone; }
};
