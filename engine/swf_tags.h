// The walk through a movie's tag records: whether it is protected against import, whether anything in it depends on
// its version (scripts, text the player decodes by the version), and whether the tag stream is whole.
#pragma once

#include <cstdint>

#include "swf_body.h"

namespace sqz {

// What to look for.
enum SwfWalkWant : unsigned {
    kWalkProtect = 1,  // the Protect tag; the walk ends at it unless more is wanted
    // What keeps a movie below version 6 from being raised to 6: scripts (action records of DoAction, DoInitAction,
    // DefineButton, DefineButton2 and the clip actions of PlaceObject2, also inside sprites) and strings that are not
    // ASCII among those the player decodes by the version (DefineEditText variable name and initial text, FrameLabel,
    // PlaceObject2 instance names, ExportAssets and ImportAssets names and URL, the font names of DefineFont2,
    // DefineFont3, DefineFontInfo and DefineFontInfo2).
    kWalkVersionDependence = 2,
    kWalkToEnd = 4,  // on past the End tag, counting the bytes that follow it
};

// What a walk found.
struct SwfTagWalk {
    bool bProtected = false;  // a Protect tag (code 24) before the End tag, outside sprites
    bool bScripts = false;
    bool bNonAsciiText = false;
    bool bEndTag = false;  // the End tag that closes the movie was reached
    // The tags could be walked to their end: the End tag was reached, or the data ended right after a whole tag; every
    // tag looked into (and every sprite's own tags) was whole and well formed.
    bool bWhole = false;
    uint64_t nAfterEnd = 0;  // with kWalkToEnd: the body bytes after the End tag
};

// Walks the tag records of the body read by `body`, whose position must be just after the frame header, looking for
// what `want` (SwfWalkWant bits) asks. Reads only tag headers and the few tag bodies it looks into, passing over the
// rest; a compressed body is decoded on the way. A walk for the Protect tag alone ends at that tag.
SwfTagWalk WalkSwfTags(SwfBodyReader& body, unsigned want);

// Passes over the frame header at the start of `body` (rectangle, frame rate, frame count); false when the body ends
// first.
bool SkipSwfFrameHeader(SwfBodyReader& body);

}  // namespace sqz
