// replace_file: writes a whole file under a temporary name beside it and renames it over the old
// one, so that a reader, a kill or a full disk sees either the old file or the new one, complete.
#pragma once

#include <string>
#include <string_view>

namespace vetrix {

// Replaces the file at path by text. On success returns true; on failure returns false, leaves
// the old file as it was, removes the temporary file and puts the reason (the system's message)
// in error. The new file is flushed to the disk before the rename. When path is a symbolic link,
// the file it points at is replaced and the link kept. A kill at the wrong moment can leave the
// temporary file (path.tmp.XXXXXX) beside the old one.
bool replace_file(const std::string& path, std::string_view text, std::string& error);

// The first half of a replacement: writes text to a new temporary file beside path
// (path.tmp.XXXXXX, with the permissions of the file it is to replace, or of a new file) and
// flushes it to the disk. Returns its name, or an empty string with the reason in error (no
// temporary file is then left). The caller renames it into place or removes it.
std::string write_beside(const std::string& path, std::string_view text, std::string& error);

}  // namespace vetrix
