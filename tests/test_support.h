// Helpers shared by the tests: the sample movies and their oracle, scratch folders, whole-file reads and
// writes, and a file-services stand-in that tests can bend.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform.h"

namespace sqztest {

using Bytes = std::vector<unsigned char>;

// The folder of sample movies, ending with the separator.
std::string CorpusDir();
// One row of oracle.tsv or projectors.tsv: column name to text.
using OracleRow = std::map<std::string, std::string>;
// The rows of a tab-separated table of the corpus folder (for example "oracle.tsv"), in file order.
std::vector<OracleRow> LoadTable(const std::string& name);
// The integer of a column of a row.
long long Num(const OracleRow& row, const std::string& column);

// The uncompressed sample movies below version 6 that Test and Optimize leave as they are, by name, with the word
// of their reason ("scripts"): raised to version 6 they would play differently. The other ones below 6 are raised.
const std::map<std::string, std::string>& CorpusMoviesKeptBelowSix();
// Whether Optimize makes a compressed movie of the sample `name` whose bytes are `bytes`: an uncompressed movie of a
// version of 1 or more that is not kept.
bool IsOptimizedSample(const std::string& name, const Bytes& bytes);

Bytes ReadAll(const std::string& path);
void WriteAll(const std::string& path, const Bytes& data);
Bytes Slice(const Bytes& data, size_t from, size_t count);
// The zlib inflation of `data` from offset 8 (empty when it does not inflate).
Bytes InflateBody(const Bytes& data);
// A movie header followed by `body`.
Bytes MakeMovie(const char* signature, unsigned char version, uint32_t length, const Bytes& body);
// The first four bytes of the compressed movie made of a source of version `version`: "CWS", then that version,
// or 6 for a lower one (the lowest version of a compressed movie).
Bytes CompressedHead(unsigned version);
// Fills the small file system holding `folder` with filler files, then deletes a few of them again, so that about
// 16 KB stay free: far less than any copy of a movie of some hundred KB. The fillers left, by path.
std::vector<std::string> FillLeavingLittle(const std::string& folder);

// A fresh folder (path ending with the separator) removed with everything in it at the end of the test.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }
    // Names of the entries in the folder, "." and ".." left out, sorted.
    std::vector<std::string> Names() const;

private:
    std::string path_;
};

// File services that pass every call on to the platform's own; a test overrides what it wants to bend and
// installs the object for its lifetime.
class FileServicesProxy : public sqz::FileServices {
public:
    FileServicesProxy() { sqz::SetFileServices(this); }
    ~FileServicesProxy() override { sqz::SetFileServices(nullptr); }

    std::unique_ptr<sqz::ReadFile> OpenRead(const std::string& path) override { return real().OpenRead(path); }
    std::unique_ptr<sqz::WriteFile> OpenWrite(const std::string& path, sqz::CreateMode mode) override {
        return real().OpenWrite(path, mode);
    }
    bool Find(const std::string& path, sqz::FileEntry* entry) override { return real().Find(path, entry); }
    std::vector<sqz::FileEntry> List(const std::string& folder) override { return real().List(folder); }
    bool CreateFolder(const std::string& path) override { return real().CreateFolder(path); }
    bool Delete(const std::string& path) override { return real().Delete(path); }
    bool Move(const std::string& from, const std::string& to) override { return real().Move(from, to); }
    bool Replace(const std::string& from, const std::string& to) override { return real().Replace(from, to); }
    bool ReplaceExisting(const std::string& from, const std::string& to) override {
        return real().ReplaceExisting(from, to);
    }
    std::string ModulePath() override { return real().ModulePath(); }
    bool Identify(const std::string& path, sqz::FileIdentity* identity) override {
        return real().Identify(path, identity);
    }
    bool SyncFolder(const std::string& folder) override { return real().SyncFolder(folder); }

protected:
    static sqz::FileServices& real() { return sqz::PlatformFiles(); }
};

// Services whose program lives in a folder of the test's choosing (for the program and work folders).
class ProgramFolderAt : public FileServicesProxy {
public:
    explicit ProgramFolderAt(std::string folder) : folder_(std::move(folder)) {}
    std::string ModulePath() override { return folder_ + "Squozen.exe"; }

private:
    std::string folder_;
};

}  // namespace sqztest

namespace sqztest {

// The frame header that starts a movie body: a rectangle of four `nbits`-bit fields (Xmin, Xmax, Ymin, Ymax,
// most significant bit first, zero-filled to a whole byte), the 8.8 frame rate and the frame count.
Bytes FrameHeader(unsigned nbits, uint32_t xmin, uint32_t xmax, uint32_t ymin, uint32_t ymax, uint16_t rate,
                  uint16_t count);
// A tag record: the short header, or the long one (short length 63, then 32 bits) when `longForm` is set or
// the body is 63 bytes or more; then the body.
Bytes Tag(unsigned code, const Bytes& body = {}, bool longForm = false);
// What zlib compress() at the default level makes of `data`.
Bytes Deflate(const Bytes& data);
// The LZMA form ("ZWS") of the uncompressed movie `fws` as other programs write it: "ZWS", its version and length
// field, the length of the LZMA stream, the 5 property bytes, then the raw stream of its body, with an end marker
// after it when `endMarker` is set.
Bytes LzmaMovie(const Bytes& fws, bool endMarker = true);
// The body of the LZMA movie `zws` as liblzma's .lzma reader decodes it (its size from the length field); empty when
// it does not decode whole.
Bytes LzmaBody(const Bytes& zws);
// `a` followed by `b`.
Bytes Cat(Bytes a, const Bytes& b);

}  // namespace sqztest
