#include "files.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "hdrtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::string ReadFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const fs::path &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 engine(seed);
    std::string bytes(count, '\0');
    for (char &c : bytes)
        c = static_cast<char>(engine() & 0xff);
    return bytes;
}

std::string AllByteValues() {
    std::string bytes;
    for (int v = 0; v < 256; ++v)
        bytes.push_back(static_cast<char>(v));
    return bytes;
}

std::string ListFolder(const fs::path &dir) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    std::string list;
    for (const auto &name : names)
        list += name + "\n";
    return list;
}

size_t Occurrences(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; ++at)
        ++n;
    return n;
}
