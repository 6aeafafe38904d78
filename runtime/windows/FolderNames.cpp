#include "FolderNames.h"

#include <algorithm>
#include <cctype>

#include "WideNames.h"

bool ListFolder(const std::string &folder, std::vector<std::string> &names) {
    std::wstring pattern = SystemPath(folder.empty() ? "." : folder);
    pattern += pattern.empty() || pattern.back() == L'\\' ? L"*" : L"\\*";
    // The basic information has no short names, and a listing of "*"
    // matches none: a pattern is never matched against an alias.
    WIN32_FIND_DATAW entry;
    HANDLE found = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                    nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (found == INVALID_HANDLE_VALUE)
        return false;
    do {
        std::string name = Narrow(entry.cFileName);
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileW(found, &entry));
    FindClose(found);
    return true;
}

// Windows' own upper case of each, as its file systems compare names.
bool SameNameCharacter(uint32_t a, uint32_t b) {
    if (a == b)
        return true;
    if (a > 0xffff || b > 0xffff)
        return false;
    wchar_t pair[2] = {static_cast<wchar_t>(a), static_cast<wchar_t>(b)};
    CharUpperBuffW(pair, 2);
    return pair[0] == pair[1];
}

bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

size_t LiteralPrefixLength(const std::string &path) {
    if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0)
        return 4;
    bool drive =
        path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
    return drive ? 2 : 0;
}

bool PathExists(const std::string &path) {
    return GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string LiteralFolder(const std::string &folder) {
    std::string full = SystemPathUtf8(folder.empty() ? "." : folder);
    return full.empty() || full.back() == '\\' ? full : full + "\\";
}

std::string AppendLiteral(const std::string &literal, const std::string &part) {
    std::string appended = literal + part;
    std::replace(appended.begin() + static_cast<std::ptrdiff_t>(literal.size()), appended.end(),
                 '/', '\\');
    return appended;
}
