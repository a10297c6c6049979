// same_file: whether two names lead to one file, whatever their spelling or links.
#pragma once

#include <string>

namespace vetrix {

// True when a and b name the same file: when both exist, by device and inode (so hard and
// symbolic links count); when neither exists yet, by the place a file opened under each name
// would be created (symbolic links followed, the folder resolved). A name that exists and one
// that does not are different files.
bool same_file(const std::string& a, const std::string& b);

}  // namespace vetrix
