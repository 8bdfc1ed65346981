// The properties of a movie file (version, size, frame size, frame rate, frame count, creation time) for the file
// list, the properties dialog and the command-line tool; the valid/bad verdict; and the texts that show them.
//
// Uncompressed movies ("FWS"), compressed movies ("CWS", and LZMA ones, "ZWS") and Flash projectors (a file whose own
// name ends in ".exe", with a movie appended) are read straight from the file: a compressed movie is decoded in memory
// as a stream, through a few fixed buffers, and no work file is ever written. Nothing is kept between calls, so
// several threads may read movies at once.
#pragma once

#include <cstdint>
#include <string>

#include "swf_container.h"
#include "swf_result.h"

// The properties of one movie: seven 32-bit fields, in this order.
struct SwfFileInfo {
    int32_t nVersion;     // the version byte of the movie header, 0 to 255
    uint32_t nFileSize;   // a size in bytes: see ReadSwfInfo
    int32_t nWidth;       // frame width in pixels: Xmax of the frame rectangle div 20
    int32_t nHeight;      // frame height in pixels: Ymax of the frame rectangle div 20
    int32_t nFrameRate;   // whole frames per second (the integer byte of the 8.8 frame rate)
    int32_t nFrameCount;  // frames, 0 to 65535
    uint32_t tCreated;    // creation time of the user's file, seconds since 1970-01-01 00:00 UTC; 0 when unknown
};

// The verdict every caller uses: a movie is valid when its version is 1 or more. The reading gives version 0 for
// anything that does not start with a movie signature ("FWS", "CWS", "ZWS"; for a projector, its movie) or cannot be
// read, which makes it a bad Flash file.
inline bool IsValidSwfVersion(int32_t nVersion) { return nVersion >= 1; }
inline bool IsValidSwf(const SwfFileInfo& info) { return IsValidSwfVersion(info.nVersion); }
// The comment of the file list and the reason of the command-line tool for a file that is not a valid movie.
constexpr char kBadFlashFile[] = "Bad Flash File";

// True when the file's own name ends in ".exe" (any letter case): a Flash projector, whose movie is appended.
bool NameEndsWithExe(const std::string& path);

// The properties of the movie at `path`, the reading the rest of the program uses. Never changes or writes a
// file. The fields:
// - nVersion, nWidth, nHeight, nFrameRate, nFrameCount from the movie's header and frame header; for a
//   compressed movie from the inflated data. Frame-header bytes that the movie lacks read as 0.
// - nFileSize: the header's length field for an uncompressed movie; the size on disk (low 32 bits) for a
//   compressed one; for a projector, the same rules applied to the movie inside it (its length field, or the
//   stored length L of a compressed movie).
// - tCreated: the creation time of the file at `path` itself (the projector for a projector).
// The result is all zeros when the file does not open, does not start with a movie signature ("FWS", "CWS" or
// "ZWS") or holds no complete 8-byte movie header, and for a projector whose trailer magic is wrong or whose movie
// length reaches before the start of the file or is no movie. A compressed movie whose stream is broken anywhere
// (truncated, corrupt, wrong check value) or would decode beyond the 32-bit length field gives all zeros apart from
// its nFileSize.
SwfFileInfo ReadSwfInfo(const std::string& path);

// What else one reading of a movie file tells: how its movie (a projector's own) is stored and whether it is
// protected against import (a Protect tag before the End tag).
struct SwfFileFacts {
    SwfCoding coding = SwfCoding::kStored;
    bool bProtected = false;
};
// ReadSwfInfo into `*info`, saying why nothing could be read: kCannotRead (with the system error) when the file
// does not open or cannot be measured. Otherwise kNone, and the record says whatever could be read. `facts`, when
// given, is filled from the same reading (its tags walked as far as the Protect tag); meaningful only for a valid
// movie.
SwfResult ReadSwfInfoEx(const std::string& path, SwfFileInfo* info, SwfFileFacts* facts = nullptr);

// The properties of one file as it stands, with nothing decoded: the header and frame header at the start of
// the file (for a compressed movie, its first stored bytes read as if they were the frame header); or, when the file's
// own name ends in ".exe" (any letter case), of the movie appended to it, with nFileSize then the projector's size on
// disk. nFileSize is otherwise the header's length field and tCreated the file's creation time. All zeros in the cases
// ReadSwfInfo gives them. ReadSwfInfo is this reading for every file that needs no decoding.
SwfFileInfo ReadSwfHeaderInfo(const std::string& path);

// ReadSwfInfo without the creation time (tCreated 0), and in `*pbCompressedFile` whether the file itself starts
// with "CWS" or "ZWS" (what IsCompressedSwf tells), from one opening of the file: what a row of the file list shows.
SwfFileInfo ReadSwfRowInfo(const std::string& path, int* pbCompressedFile);

// `byte` as eight '0'/'1' characters, most significant bit first: 5 gives "00000101".
std::string ByteToBitString(unsigned char byte);
// The characters of `bits` at positions start to end - 1 read as an unsigned base-2 number, the first one most
// significant; any character but '1' counts as 0. Positions past the end of `bits` are not read, and start >=
// end gives 0. Exact for up to 32 characters; of a longer range the last 32 count.
uint32_t BitStringValue(const std::string& bits, size_t start, size_t end);

// The texts of the properties as the properties dialog and the tool show them:
// "Flash MX" for versions 6 and 7, else "Flash %d" ("Flash 5", "Flash 9").
std::string SwfVersionText(const SwfFileInfo& info);
// "%d K" with (nFileSize div 1024) + 1: 1023 bytes give "1 K", 1024 bytes "2 K".
std::string SwfLengthText(const SwfFileInfo& info);
// "%d X %d" with the width and the height: "550 X 400".
std::string SwfFrameSizeText(const SwfFileInfo& info);
// "%d/%d/%d %d:%d:%d": month, day, four-digit year, hour (0 to 23), minute, second of tCreated in local time,
// none zero-filled: "3/9/2004 8:5:3". Empty when the time cannot be converted.
std::string SwfCreatedText(const SwfFileInfo& info);
