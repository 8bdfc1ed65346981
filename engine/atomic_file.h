// A file that is written under a work name in its destination's folder and put in place only when it is
// complete, so that an existing destination is never left half-written. A destination that does not exist yet
// is created directly (exclusively, so nothing that appears meanwhile is overwritten) and removed again on failure.
// Creating the work file, putting it in place and removing it are tried again for about 2 s while another program
// holds a file for a moment (IsPassingRefusal); lasting errors fail at once.
#pragma once

#include <memory>
#include <string>

#include "platform.h"
#include "swf_result.h"

namespace sqz {

class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes the work file unless Commit succeeded.
    ~AtomicFile();

    // Creates the new file; false when none could be created (the folder is missing or read-only, the disk is
    // full). An existing destination is not touched.
    bool Open(const std::string& destination);
    // Like Open, for a new content of a file that must exist: false when `existing` is missing or is a folder.
    // Commit then puts the new file in its place with FileServices::ReplaceExisting, so that the file keeps its
    // creation time and attributes (permissions on POSIX systems), and fails when it is read-only or in use.
    bool OpenOver(const std::string& existing);
    // The work file, while open.
    WriteFile* File() { return file_.get(); }
    // Closes the work file (forcing it to disk first when `durable`) and renames it over the destination.
    // On failure the work file is removed and the destination is as it was.
    bool Commit(bool durable = false);
    // Removes the work file; the destination is as it was.
    void Abort();
    // The system's error code (LastSystemError) of the step that made Open, OpenOver or Commit fail; 0 when it
    // is not known.
    int Error() const { return error_; }
    // After a failed Commit in the rare case where the destination vanished while the work file was being renamed
    // over it: the work file, which then holds the only copy and is kept. Empty otherwise.
    const std::string& KeptPath() const { return kept_; }

private:
    bool OpenWork(const std::string& destination);

    std::string destination_;
    std::string work_;  // the file being written: a work name, or the destination itself when it was new
    std::string kept_;
    bool direct_ = false;
    bool over_ = false;  // opened by OpenOver
    int error_ = 0;
    std::unique_ptr<WriteFile> file_;
};

// Copies the file `from` to `to` through an AtomicFile, in blocks of at most 256 KB: a new `to`, or one put in
// place of an existing `to` (Open); with `over`, the new content of a `to` that must exist, which keeps its
// creation time and attributes and is refused when it is read-only or in use (OpenOver). Forced to disk before it
// is put in place when `durable`. Fails with kCannotRead when `from` cannot be opened or read, kCannotWrite when
// the copy cannot be written or put in place. On failure `to` is as it was and no part of the copy is left behind,
// apart from the rare case AtomicFile::KeptPath describes, whose file `*kept` (when given) then names.
SwfResult CopyAtomically(const std::string& from, const std::string& to, bool over, bool durable,
                         std::string* kept = nullptr);

}  // namespace sqz
