#include "Wildcards.h"

#include <algorithm>
#include <cstdint>

#include "FolderNames.h"

namespace {

// One character of a UTF-8 name: its code point and length. A byte that
// starts no valid sequence is a character of its own.
uint32_t NextCharacter(const std::string &s, size_t at, size_t &len) {
    unsigned char lead = static_cast<unsigned char>(s[at]);
    len = lead < 0x80 ? 1 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
    if (at + len > s.size())
        len = 1;
    uint32_t code = static_cast<uint32_t>(lead) & (len == 1 ? 0xffu : 0x7fu >> len);
    for (size_t i = 1; i < len; ++i) {
        unsigned char next = static_cast<unsigned char>(s[at + i]);
        if ((next & 0xc0) != 0x80) {
            len = 1;
            return lead;
        }
        code = code << 6 | (next & 0x3f);
    }
    return code;
}

// '*' any run of characters, '?' one; a backtracking match.
bool Matches(const std::string &pattern, const std::string &name) {
    size_t p = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        size_t plen = 0, nlen = 0;
        uint32_t c = p < pattern.size() ? NextCharacter(pattern, p, plen) : 0;
        uint32_t d = NextCharacter(name, n, nlen);
        if (p < pattern.size() && c == '*') {
            star = ++p;
            resume = n;
        } else if (p < pattern.size() && (c == '?' || SameNameCharacter(c, d))) {
            p += plen;
            n += nlen;
        } else if (star != std::string::npos) {
            p = star;
            NextCharacter(name, resume, nlen);
            n = resume += nlen;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool PartMatches(const std::string &part, const std::string &name, bool dotted) {
    return (name[0] != '.' || dotted) && Matches(part, name);
}

// The paths that match the parts from `from` on, below the folder `base`
// (its path "" while no pattern part has been met, so that a typed folder
// keeps its own meaning). Only a path that exists is found: a folder part
// never leads into a file, nor a typed part after it to a name not there.
void ExpandParts(const std::vector<std::string> &parts, size_t from, const Argument &base,
                 std::vector<Argument> &found) {
    if (from == parts.size()) {
        if (PathExists(base.path))
            found.push_back(base);
        return;
    }
    const std::string &part = parts[from];
    bool folder = IsPathSeparator(part.back());
    std::string name = part.substr(0, part.size() - (folder ? 1 : 0));
    std::string separator = part.substr(name.size());
    if (!HasWildcard(name)) {
        std::string path = base.path.empty() ? "" : AppendLiteral(base.path, part);
        ExpandParts(parts, from + 1, {base.name + part, path}, found);
        return;
    }
    std::string folderLiteral = base.path.empty() ? LiteralFolder(base.name) : base.path;
    std::vector<std::string> names;
    if (!ListFolder(folderLiteral, names))
        return;
    for (const std::string &entry : names)
        if (PartMatches(name, entry, name[0] == '.'))
            ExpandParts(
                parts, from + 1,
                {base.name + entry + separator, AppendLiteral(folderLiteral, entry + separator)},
                found);
}

// The parts of a path, each with the separator that ends it.
std::vector<std::string> SplitPath(const std::string &path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsPathSeparator(path[i])) {
            parts.push_back(path.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < path.size())
        parts.push_back(path.substr(start));
    return parts;
}

// A pattern's matches in byte order of their names, or the pattern itself
// with no path when it matches nothing.
void AppendMatches(const std::string &pattern, std::vector<Argument> &args) {
    std::vector<Argument> found;
    size_t prefix = LiteralPrefixLength(pattern);
    ExpandParts(SplitPath(pattern.substr(prefix)), 0, {pattern.substr(0, prefix), ""}, found);
    if (found.empty())
        found.push_back({pattern, ""});
    std::sort(found.begin(), found.end(),
              [](const Argument &a, const Argument &b) { return a.name < b.name; });
    args.insert(args.end(), found.begin(), found.end());
}

} // namespace

bool HasWildcard(const std::string &arg) {
    return arg.find_first_of("*?", LiteralPrefixLength(arg)) != std::string::npos;
}

bool IsPattern(const std::string &arg) {
    return HasWildcard(arg) && !PathExists(arg);
}

std::vector<Argument> ExpandArguments(const std::vector<std::string> &args) {
    std::vector<Argument> expanded;
    for (size_t k = 0; k < args.size(); ++k) {
        if (k > 0 && k + 1 < args.size() && IsPattern(args[k]))
            AppendMatches(args[k], expanded);
        else
            expanded.push_back({args[k], args[k]});
    }
    return expanded;
}
