// Reading the list of paths of --files-from.
#include "path_list.h"

#include <cstdio>
#include <memory>

#include "console.h"
#include "platform.h"

namespace sqzcli {
namespace {

std::string CannotRead(const std::string& what) {
    std::string text = "cannot read the list of paths " + what;
    std::string reason = sqz::SystemErrorText(sqz::LastSystemError());
    return reason.empty() ? text : text + ": " + reason;
}

}  // namespace

void PathListSplitter::Add(const char* bytes, size_t count) {
    const char end = nul_ ? '\0' : '\n';
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] == end)
            Take();
        else
            pending_ += bytes[i];
    }
}

void PathListSplitter::Finish() { Take(); }

void PathListSplitter::Take() {
    if (!nul_ && !pending_.empty() && pending_.back() == '\r') pending_.pop_back();
    if (!pending_.empty()) paths_->push_back(pending_);
    pending_.clear();
}

bool ReadPathList(const std::string& source, bool nulSeparated, std::vector<std::string>* paths, std::string* error) {
    PathListSplitter splitter(nulSeparated, paths);
    char chunk[64 * 1024];
    if (source == "-") {
        SetBinaryStandardInput();
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) splitter.Add(chunk, got);
        if (std::ferror(stdin)) {
            *error = CannotRead("from standard input");
            return false;
        }
    } else {
        std::unique_ptr<sqz::ReadFile> in = sqz::Files().OpenRead(source);
        if (!in) {
            *error = CannotRead(source);
            return false;
        }
        size_t got;
        while ((got = in->Read(chunk, sizeof chunk)) > 0) splitter.Add(chunk, got);
        if (in->Failed()) {
            *error = CannotRead(source);
            return false;
        }
    }
    splitter.Finish();
    return true;
}

}  // namespace sqzcli
