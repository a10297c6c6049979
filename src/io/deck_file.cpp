// Provisional reader: placeholder until the full free-format reader lands.
#include "deck_file.hpp"

#include "common/stops.hpp"

namespace vetrix {

DeckFile::DeckFile(const std::string& path) : path_(path) { fail_runtime(path + ": reader not built yet"); }
bool DeckFile::read_record120(std::string&) { return false; }
void DeckFile::read(std::initializer_list<ReadTarget>) {}
void DeckFile::read(std::span<const ReadTarget>) {}
ReadStatus DeckFile::try_read(std::initializer_list<ReadTarget>) { return ReadStatus::Ok; }
ReadStatus DeckFile::try_read(std::span<const ReadTarget>) { return ReadStatus::Ok; }
int ifindstringinfile(std::string_view, DeckFile&) { return 1; }

}  // namespace vetrix
