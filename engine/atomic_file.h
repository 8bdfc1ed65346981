// A file that is written under a work name in its destination's folder and put in place only when it is complete,
// so that no destination, new or old, is ever left half-written: a crash, a kill or a full disk leaves at most a
// work file, which the next run in that folder removes (RemoveStaleWorkFiles). A new destination is put in place
// only when nothing of its name appeared meanwhile. Creating the work file, putting it in place and removing it are
// tried again for about 2 s while another program holds a file for a moment (IsPassingRefusal); lasting errors fail
// at once.
#pragma once

#include <functional>
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

    // Creates the work file for `destination`; false when none could be created (the folder is missing or
    // read-only, the disk is full). The destination is not touched.
    bool Open(const std::string& destination);
    // Like Open, for a new content of a file that must exist: false when `existing` is missing or is a folder.
    // Commit then puts the new file in its place with FileServices::ReplaceExisting, so that the file keeps its
    // creation time and attributes (permissions on POSIX systems), and fails when it is read-only or in use.
    bool OpenOver(const std::string& existing);
    // OpenOver for a file the caller has just opened itself (and whose being gone the `unchanged` test of Commit will
    // tell), without looking it up again.
    bool OpenBeside(const std::string& existing);
    // The work file, while open.
    WriteFile* File() { return file_.get(); }
    // The work file's path, from Open until Commit or Abort.
    const std::string& WorkPath() const { return work_; }
    // Closes the work file, forcing it to disk first when `durable`, without putting it in place: it can be read
    // back (verified) before Commit. False, with the work file removed, when it could not all be stored.
    bool Close(bool durable);
    // Closes the work file (when Close was not called) and renames it over the destination; when `durable`, the
    // file is forced to disk before and the folder's entry after the rename. `unchanged`, when given, is asked just
    // before the rename and before every retry of it: when it answers false, nothing is renamed and Commit fails with
    // Changed() set (it must also answer false for a destination that is gone). On failure the work file is removed
    // and the destination is as it was.
    bool Commit(bool durable = false, const std::function<bool()>& unchanged = nullptr);
    // Removes the work file; the destination is as it was.
    void Abort();
    // The system's error code (LastSystemError) of the step that made Open, OpenOver, Close or Commit fail; 0 when it
    // is not known.
    int Error() const { return error_; }
    // After a failed Commit: whether `unchanged` answered false.
    bool Changed() const { return changed_; }
    // After a failed Commit in the rare case where the destination vanished while the work file was being renamed
    // over it: the work file, which then holds the only copy and is kept. Empty otherwise.
    const std::string& KeptPath() const { return kept_; }

private:
    friend void AbandonWorkFiles();
    bool OpenWork(const std::string& destination);
    // Whether the work file counts among those AbandonWorkFiles removes.
    void Live(bool live);

    std::string destination_;
    std::string work_;  // the file being written, under a work name beside the destination
    std::string kept_;
    bool existed_ = false;  // the destination existed when the work file was made
    bool over_ = false;     // opened by OpenOver
    bool changed_ = false;
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

// Closes and removes every work file this process is writing (and cancels the engine's work in hand, CancelWork):
// for a program whose session ends while a movie is being worked on, called from within the busy hook. Nothing is
// put in place afterwards; the destinations are as they were.
void AbandonWorkFiles();

// Whether `name` is the name of a work file of this program ("~sqz", the writing process's number, "-", eight hex
// digits, ".tmp"), and of which process.
bool IsWorkFileName(const std::string& name, unsigned long* process);
// Removes from `folder` (ending with the separator) the work files that processes no longer running left behind (a
// run that was killed or lost its power), and nothing else; done once per folder and process, the first time a
// work file is made there.
void RemoveStaleWorkFiles(const std::string& folder);

}  // namespace sqz
