// same_file: file identity by device and inode, or by resolved creation place.
#include "common/same_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace vetrix {

namespace {

// The path at which opening name for writing would create its file: a chain of symbolic
// links (dangling at its end) is followed, then the folder is resolved to its canonical path.
// Empty when the folder does not exist.
std::string creation_path(std::string name) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(name.c_str(), target.data(), target.size());
        if (n <= 0) break;
        target.resize(static_cast<std::size_t>(n));
        const std::size_t slash = name.rfind('/');
        name = target.front() == '/' || slash == std::string::npos
                   ? target
                   : name.substr(0, slash + 1) + target;
    }
    const std::size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(folder.c_str(), nullptr),
                                                           &std::free);
    if (!real) return {};
    std::string path = real.get();
    if (path.back() != '/') path += '/';
    return path + name.substr(slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    const bool a_exists = ::stat(a.c_str(), &sa) == 0;
    const bool b_exists = ::stat(b.c_str(), &sb) == 0;
    if (a_exists && b_exists) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (a_exists || b_exists) return false;
    const std::string place = creation_path(a);
    return !place.empty() && place == creation_path(b);
}

}  // namespace vetrix
