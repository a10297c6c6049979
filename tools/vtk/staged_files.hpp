// StagedFiles: a set of output files that replace their old versions together, or not at all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vetrix::vtk {

// Each file is written whole under a temporary name beside its final name and flushed to the
// disk; commit() then renames them all into place, in the order they were added. Until then the
// old files stay as they were; a failure, or the end of the set without a commit, removes the
// temporary files, so an export that fails half-way leaves neither a partial file nor a mix of old
// and new files.
class StagedFiles {
  public:
    StagedFiles() = default;
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;
    ~StagedFiles();

    // Writes text as the next version of the file at path. A failure is a runtime failure naming
    // the file and the reason.
    void add(const std::string& path, std::string_view text);
    // Puts every file in place. A rename that fails is a runtime failure; the files renamed
    // before it stay in place, the others are removed.
    void commit();

  private:
    struct Staged {
        std::string temp, path;
    };
    std::vector<Staged> files_;
};

}  // namespace vetrix::vtk
