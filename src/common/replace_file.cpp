// replace_file: whole-file replacement through a flushed temporary file and a rename.
#include "common/replace_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vetrix {

namespace {

// Writes all of text to fd, resuming after interrupted or partial writes.
bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t put = ::write(fd, text.data(), text.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

}  // namespace

bool replace_file(const std::string& name, std::string_view text, std::string& error) {
    // a symbolic link stays a link: the file it points at is the one replaced
    std::string path = name;
    struct stat link {};
    if (::lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* real = ::realpath(name.c_str(), nullptr)) {
            path = real;
            std::free(real);
        }
    }
    const std::string temp = write_beside(path, text, error);
    if (temp.empty()) return false;
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string write_beside(const std::string& path, std::string_view text, std::string& error) {
    // the temporary file lies in the same folder, so the rename never crosses file systems
    std::string temp = path + ".tmp.XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return {};
    }
    // keep the permissions a newly created file would have had (mkstemp makes it 0600)
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~mask);
    bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, text) && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        error = std::strerror(saved);
        return {};
    }
    return temp;
}

}  // namespace vetrix
