// The identity of a file on POSIX systems: its device and file number.
#include "folder_walk.h"

#include <sys/stat.h>

namespace sqz {

std::string FileIdentity(const std::string& path) {
    // The same for every name of a file, links and hard links included.
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return "name:" + path;
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
}

}  // namespace sqz
