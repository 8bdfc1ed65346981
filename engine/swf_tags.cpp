// Walking tag records, and reading the few tag bodies whose content depends on the movie's version.
#include "swf_tags.h"

#include <algorithm>
#include <vector>

namespace sqz {
namespace {

// Tag codes the walk knows.
enum TagCode : unsigned {
    kDefineButton = 7,
    kDoAction = 12,
    kDefineFontInfo = 13,
    kPlaceObject2 = 26,
    kDefineButton2 = 34,
    kDefineEditText = 37,
    kDefineSprite = 39,
    kFrameLabel = 43,
    kDefineFont2 = 48,
    kExportAssets = 56,
    kImportAssets = 57,
    kDoInitAction = 59,
    kDefineFontInfo2 = 62,
    kImportAssets2 = 71,
    kDefineFont3 = 75,
};

// The most of one tag's body that is read to look into it; a tag that needs more to be understood is taken as one
// that cannot be read (no real movie has a button or a text field of a megabyte).
constexpr uint64_t kMaxLookedInto = 1024 * 1024;

// A tag body being looked into: bytes, strings and bit fields, with every read checked against its end.
class TagReader {
public:
    explicit TagReader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    unsigned Byte() {
        Align();
        if (pos_ >= bytes_.size()) return Bad();
        return bytes_[pos_++];
    }
    unsigned U16() {
        unsigned lo = Byte();
        return lo | (Byte() << 8);
    }
    void Skip(size_t n) {
        Align();
        if (n > bytes_.size() - std::min(pos_, bytes_.size())) Bad();
        pos_ += n;
    }
    // A NUL-terminated string; whether it is all ASCII.
    bool String() {
        Align();
        bool ascii = true;
        for (;; ++pos_) {
            if (pos_ >= bytes_.size()) return Bad() != 0;
            if (bytes_[pos_] == 0) break;
            if (bytes_[pos_] >= 0x80) ascii = false;
        }
        ++pos_;
        return ascii;
    }
    // `n` bytes of text; whether they are all ASCII.
    bool Text(size_t n) {
        Align();
        if (n > bytes_.size() - std::min(pos_, bytes_.size())) return Bad() != 0;
        bool ascii = std::all_of(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                 bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + n),
                                 [](unsigned char c) { return c < 0x80; });
        pos_ += n;
        return ascii;
    }
    unsigned Bits(unsigned n) {
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i) {
            if (bit_ == 0) {
                if (pos_ >= bytes_.size()) return Bad();
                current_ = bytes_[pos_++];
                bit_ = 8;
            }
            v = (v << 1) | ((current_ >> --bit_) & 1u);
        }
        return v;
    }
    void Rect() {
        unsigned nbits = Bits(5);
        Bits(nbits), Bits(nbits), Bits(nbits), Bits(nbits);
    }
    void Matrix() {
        if (Bits(1)) {
            unsigned n = Bits(5);
            Bits(n), Bits(n);
        }
        if (Bits(1)) {
            unsigned n = Bits(5);
            Bits(n), Bits(n);
        }
        unsigned n = Bits(5);
        Bits(n), Bits(n);
    }
    void ColorTransformWithAlpha() {
        bool add = Bits(1), mult = Bits(1);
        unsigned n = Bits(4);
        for (int i = 0; i < (add ? 4 : 0) + (mult ? 4 : 0); ++i) Bits(n);
    }

private:
    unsigned Bad() {
        ok_ = false;
        pos_ = bytes_.size();
        return 0;
    }
    void Align() { bit_ = 0; }

    const std::vector<unsigned char>& bytes_;
    size_t pos_ = 0;
    unsigned current_ = 0;
    unsigned bit_ = 0;
    bool ok_ = true;
};

// Whether looking for what a movie below version 6 depends on needs the body of a tag of code `code`, and how much of
// it: all of it, or for font tags and actions only their start.
uint64_t BytesToLookInto(unsigned code, uint64_t length) {
    switch (code) {
        case kDoAction:
            return std::min<uint64_t>(length, 1);
        case kDoInitAction:
            return std::min<uint64_t>(length, 3);
        case kDefineButton2:
            return std::min<uint64_t>(length, 5);
        case kDefineFontInfo:
        case kDefineFontInfo2:
            return std::min<uint64_t>(length, 3 + 255);
        case kDefineFont2:
        case kDefineFont3:
            return std::min<uint64_t>(length, 5 + 255);
        case kDefineButton:
        case kPlaceObject2:
        case kDefineEditText:
        case kFrameLabel:
        case kExportAssets:
        case kImportAssets:
        case kImportAssets2:
            return length;
        default:
            return 0;
    }
}

// Looks into the body of one tag for scripts and strings that are not ASCII; false when it is not well formed.
bool LookInto(unsigned code, const std::vector<unsigned char>& bytes, SwfTagWalk* walk) {
    TagReader r(bytes);
    bool ascii = true;
    switch (code) {
        case kDoAction:
            walk->bScripts |= !bytes.empty() && bytes[0] != 0;
            return true;
        case kDoInitAction:
            r.U16();
            walk->bScripts |= !r.AtEnd() && r.Byte() != 0;
            return r.ok();
        case kDefineButton2:
            r.U16(), r.Byte();
            walk->bScripts |= r.U16() != 0;  // the offset of its conditional actions
            return r.ok();
        case kDefineButton: {
            r.U16();
            // Its button records, up to the one zero byte that ends them, then its actions.
            while (r.Byte() != 0 && r.ok()) {
                r.U16(), r.U16();
                r.Matrix();
            }
            walk->bScripts |= !r.AtEnd() && r.Byte() != 0;
            return r.ok();
        }
        case kPlaceObject2: {
            unsigned flags = r.Byte();
            walk->bScripts |= (flags & 0x80) != 0;  // clip actions
            r.U16();
            if (flags & 0x02) r.U16();
            if (flags & 0x04) r.Matrix();
            if (flags & 0x08) r.ColorTransformWithAlpha();
            if (flags & 0x10) r.U16();
            if (flags & 0x20) ascii = r.String();  // the instance name
            break;
        }
        case kDefineEditText: {
            r.U16();
            r.Rect();
            unsigned flags1 = r.Byte(), flags2 = r.Byte();
            bool hasFont = flags1 & 0x01, hasFontClass = flags2 & 0x80;
            if (hasFont) r.U16();
            if (hasFontClass) ascii &= r.String();
            if (hasFont || hasFontClass) r.U16();
            if (flags1 & 0x04) r.Skip(4);
            if (flags1 & 0x02) r.U16();
            if (flags2 & 0x20) r.Skip(9);
            ascii &= r.String();                     // the variable name
            if (flags1 & 0x80) ascii &= r.String();  // the initial text
            break;
        }
        case kFrameLabel:
            ascii = r.String();
            break;
        case kImportAssets:
        case kImportAssets2:
        case kExportAssets: {
            if (code != kExportAssets) ascii &= r.String();  // the URL
            if (code == kImportAssets2) r.Skip(2);
            for (unsigned count = r.U16(); count > 0 && r.ok(); --count) {
                r.U16();
                ascii &= r.String();
            }
            break;
        }
        case kDefineFontInfo:
        case kDefineFontInfo2:
            r.U16();
            ascii = r.Text(r.Byte());
            break;
        case kDefineFont2:
        case kDefineFont3:
            r.U16(), r.Byte(), r.Byte();
            ascii = r.Text(r.Byte());
            break;
        default:
            return true;
    }
    // A string that runs past its tag is no text: the tag is not well formed.
    if (!r.ok()) return false;
    walk->bNonAsciiText |= !ascii;
    return true;
}

// Walks tag records until the End tag, the end of the data, or `limit` body bytes (the rest of a sprite); `top` for
// the movie's own tags. True when the walk got to the end whole.
bool WalkTags(SwfBodyReader& body, uint64_t limit, bool top, unsigned want, SwfTagWalk* walk) {
    const uint64_t start = body.Position();
    auto left = [&] { return limit - std::min(limit, body.Position() - start); };
    std::vector<unsigned char> looked;
    for (;;) {
        if (left() == 0) return !top;  // a sprite ends with its data; its own End tag is missing: taken as whole
        unsigned char word[2];
        size_t got = body.Read(word, std::min<uint64_t>(2, left()));
        // The data ends after a whole tag: the tags end there too.
        if (got == 0) return body.Failure() == SwfReason::kNone;
        if (got < 2) return false;
        unsigned code = (word[0] | (word[1] << 8)) >> 6;
        uint64_t length = word[0] & 0x3F;
        if (length == 0x3F) {
            unsigned char longLength[4];
            if (body.Read(longLength, 4) != 4) return false;
            length = ReadLE32(longLength);
        }
        if (length > left()) return false;
        // The Protect tag counts once its header has been read, even when its body runs past the end.
        if (top && code == kTagProtect) {
            walk->bProtected = true;
            if (want == kWalkProtect) return true;
        }
        if (code == kTagEnd) {
            if (top) walk->bEndTag = true;
            return body.Skip(length);
        }
        uint64_t into = want & kWalkVersionDependence ? BytesToLookInto(code, length) : 0;
        if (top && code == kDefineSprite && (want & kWalkVersionDependence)) {
            unsigned char head[4];
            if (length < 4 || body.Read(head, 4) != 4) return false;
            const uint64_t inner = body.Position();
            if (!WalkTags(body, length - 4, false, want, walk)) return false;
            if (!body.Skip(length - 4 - (body.Position() - inner))) return false;
            continue;
        }
        if (into > kMaxLookedInto) return false;
        looked.resize(static_cast<size_t>(into));
        if (into && body.Read(looked.data(), looked.size()) != looked.size()) return false;
        if (into && !LookInto(code, looked, walk)) return false;
        if (!body.Skip(length - into)) return false;
    }
}

}  // namespace

bool SkipSwfFrameHeader(SwfBodyReader& body) {
    unsigned char first = 0;
    return body.Read(&first, 1) == 1 && body.Skip(SwfRectLength(first) - 1 + 4);
}

SwfTagWalk WalkSwfTags(SwfBodyReader& body, unsigned want) {
    SwfTagWalk walk;
    walk.bWhole = WalkTags(body, UINT64_MAX, true, want, &walk);
    if (walk.bWhole && walk.bEndTag && (want & kWalkToEnd)) {
        uint64_t at = body.Position();
        body.Finish();
        walk.nAfterEnd = body.Position() - at;
    }
    return walk;
}

}  // namespace sqz
