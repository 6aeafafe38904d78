#include "FolderNames.h"

#include <dirent.h>
#include <string.h>
#include <sys/stat.h>

bool ListFolder(const std::string &folder, std::vector<std::string> &names) {
    DIR *dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return false;
    while (dirent *entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return true;
}

bool SameNameCharacter(uint32_t a, uint32_t b) {
    return a == b;
}

bool IsPathSeparator(char c) {
    return c == '/';
}

size_t LiteralPrefixLength(const std::string &) {
    return 0;
}

bool PathExists(const std::string &path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::string LiteralFolder(const std::string &folder) {
    return folder;
}

std::string AppendLiteral(const std::string &literal, const std::string &part) {
    return literal + part;
}
