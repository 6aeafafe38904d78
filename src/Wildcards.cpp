#include "Wildcards.h"

#ifdef _WIN32

// Asks the mingw-w64 start-up code to expand wildcards, as the Microsoft
// runtime does for console programs.
extern "C" {
int _dowildcard = -1;
}

std::vector<std::string> ExpandArguments(int argc, char **argv) {
    return std::vector<std::string>(argv, argv + argc);
}

#else

#include <cstring>
#include <glob.h>

namespace {

bool HasWildcard(const char *arg) {
    return std::strpbrk(arg, "*?") != nullptr;
}

// glob also knows [...] and backslash escapes; here they are plain
// characters, so '[' is put in a bracket of its own and escapes are off.
std::string LiteralBrackets(const char *pattern) {
    std::string text;
    for (const char *p = pattern; *p != '\0'; ++p)
        text += *p == '[' ? std::string("[[]") : std::string(1, *p);
    return text;
}

void AppendMatches(const char *pattern, std::vector<std::string> &args) {
    glob_t matches{};
    if (glob(LiteralBrackets(pattern).c_str(), GLOB_NOESCAPE, nullptr, &matches) == 0) {
        for (size_t i = 0; i < matches.gl_pathc; ++i)
            args.emplace_back(matches.gl_pathv[i]);
    } else {
        args.emplace_back(pattern);
    }
    globfree(&matches);
}

} // namespace

std::vector<std::string> ExpandArguments(int argc, char **argv) {
    std::vector<std::string> args;
    for (int k = 0; k < argc; ++k) {
        if (k > 0 && HasWildcard(argv[k]))
            AppendMatches(argv[k], args);
        else
            args.emplace_back(argv[k]);
    }
    return args;
}

#endif
