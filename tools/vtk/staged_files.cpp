// StagedFiles: output files written under temporary names, flushed, and renamed into place
// together.
#include "tools/vtk/staged_files.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/replace_file.hpp"
#include "common/stops.hpp"

namespace vetrix::vtk {

StagedFiles::~StagedFiles() {
    for (const Staged& f : files_) ::unlink(f.temp.c_str());
}

void StagedFiles::add(const std::string& path, std::string_view text) {
    std::string error;
    std::string temp = write_beside(path, text, error);
    if (temp.empty()) fail_runtime("cannot write " + path + ": " + error);
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
