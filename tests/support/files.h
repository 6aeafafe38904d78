// Temporary folders and whole-file helpers for the tests.
#ifndef TEST_FILES_H
#define TEST_FILES_H

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

// A fresh folder that is removed with everything in it at the end of scope.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    fs::path operator/(const std::string &name) const { return path / name; }
    fs::path path;
};

std::string ReadFile(const fs::path &path);
void WriteFile(const fs::path &path, std::string_view bytes);

// Deterministic pseudo-random bytes.
std::string RandomBytes(size_t count, unsigned seed);

// The byte values 0 to 255 in order.
std::string AllByteValues();

// How often what stands in text, counting overlaps.
size_t Occurrences(const std::string &text, const std::string &what);

// The names of the entries in a folder, sorted.
std::string ListFolder(const fs::path &dir);

#endif
