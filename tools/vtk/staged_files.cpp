// StagedFiles: output files written under temporary names, flushed, and renamed into place
// together.
#include "tools/vtk/staged_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/stops.hpp"

namespace vetrix::vtk {

namespace {

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

StagedFiles::~StagedFiles() {
    for (const Staged& f : files_) ::unlink(f.temp.c_str());
}

void StagedFiles::add(const std::string& path, std::string_view text) {
    // in the same folder, so that the rename never crosses file systems
    std::string temp = path + ".tmp.XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) fail_runtime("cannot create " + path + ": " + std::strerror(errno));
    // the permissions a newly created file would have had, or those of the file replaced
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
        fail_runtime("cannot write " + path + ": " + std::strerror(saved));
    }
    files_.push_back({std::move(temp), path});
}

void StagedFiles::commit() {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (::rename(files_[i].temp.c_str(), files_[i].path.c_str()) != 0) {
            const std::string message =
                "cannot replace " + files_[i].path + ": " + std::strerror(errno);
            files_.erase(files_.begin(), files_.begin() + static_cast<std::ptrdiff_t>(i));
            fail_runtime(message);
        }
    }
    files_.clear();
}

}  // namespace vetrix::vtk
