#pragma once
// The host shim's file system: files in memory, reads that may come back in
// pieces and a disk that may fill up, as a fuzz target sets them.
#include <string>
#include <vector>

namespace fakefs {

// Empties the file system and clears every setting below.
void Reset();
// The file at path, created empty when there is none.
std::string& File(const std::string& path);
bool Exists(const std::string& path);
// The n-th ReadFile of a file returns at most limits[n] bytes; later ones
// what is asked.
void SetReadLimits(const std::vector<unsigned>& limits);
// Writes fail once this many bytes in all have been written.
void SetDiskRoom(size_t bytes);
// Another program holds the file open: without delete sharing, so that it
// cannot be renamed over (writable: it may still be written in place), or
// with no sharing at all.
void Hold(const std::string& path, bool writable);
// It lets go.
void Release(const std::string& path);

}  // namespace fakefs
