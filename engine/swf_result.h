// Why an engine operation on movie files failed: the one vocabulary of reasons of the engine, the file list and the
// command-line tool, each with the system's error code behind it where there is one.
#pragma once

enum class SwfReason {
    kNone,               // nothing failed
    kCannotRead,         // a file does not open or cannot be read
    kCannotWrite,        // a file cannot be created, written or put in place
    kAlreadyCompressed,  // a compressed movie ("CWS" or "ZWS") where an uncompressed one is wanted
    kNotUncompressed,    // no movie signature where an uncompressed movie is wanted
    kNotCompressed,      // not "CWS" or "ZWS" where a compressed movie is wanted
    kTooShort,           // shorter than the 8-byte movie header
    kTooLarge,           // a movie of 4 GB or more, which the header's 32-bit length field cannot hold
    kBrokenStream,       // a compressed movie whose zlib or LZMA stream is broken or does not end
    kNoMovie,            // a projector without a movie (no trailer magic, or a length reaching before the file)
    kNoMemory,           // zlib could not have the memory it needs
    kGone,               // the movie is no longer there
    kBadFlashFile,       // no movie signature, or version 0: the batches pass over it
    kLowVersion,         // below version 6, which compressing would raise to 6: passed over when asked to keep it
    kNoZopfli,           // the smallest compression was asked of a build without Zopfli
    // A movie below version 6 that would play differently once raised to 6, so it is passed over:
    kKeptScripts,     // it holds scripts (action records), whose meaning depends on the version
    kKeptText,        // a string the player decodes by the version (GBK below 6, UTF-8 from 6) is not ASCII
    kKeptUnreadable,  // its tags cannot be walked to their end, so nothing can be said about them
    kChanged,         // the movie changed (size, last-write time or identity) while it was being worked on
    kNotVerified,     // the written file did not read back as the movie it must be
    kNotSmaller,      // compressing it again gave nothing smaller: it is left as it is
    kCancelled,       // the work was cancelled (the session ends) before it was done; nothing was changed
};

// What an operation came to.
struct SwfResult {
    SwfReason reason = SwfReason::kNone;
    int nSystemError = 0;  // the system's error code (LastSystemError) right after the failure; 0 when none
    bool Ok() const { return reason == SwfReason::kNone; }
};
