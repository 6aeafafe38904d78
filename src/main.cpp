// Trelvic: joins its input files in order and writes them as one C header.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Packing.h"
#include "Platform.h"

// Console output is part of the result: a report that could not be
// written is a failure.
static int FinishConsole(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "Trelvic: standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}

static const char kHelp[] =
    "Usage: Trelvic [INPUT...] OUTPUT\n"
    "Joins the INPUT files in order and writes them to OUTPUT as a C header that\n"
    "defines UINT8 gImgCode[], 16 elements to a line, with CR LF line ends.\n"
    "Patterns with * or ? are expanded to the matching files, sorted.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "\n"
    "Exit status: 0 when the header was written whole, 1 on any failure.\n";

// -h, --help and --version count only as the whole command line, so that
// every other command line keeps its meaning.
static bool AnswerInfoRequest(int argc, char **argv) {
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)
        std::fputs(kHelp, stdout);
    else if (std::strcmp(argv[1], "--version") == 0)
        std::puts("Trelvic " TRELVIC_VERSION);
    else
        return false;
    return true;
}

int main(int argc, char **argv) {
    if (AnswerInfoRequest(argc, argv))
        return FinishConsole(0);
    std::vector<std::string> args = ExpandArguments(argc, argv);

    std::puts("\nStart Packing");
    for (size_t k = 0; k < args.size(); ++k)
        std::printf("arg-%zu : %s\n", k, args[k].c_str());
    if (args.size() <= 1) {
        std::puts("\n Error - not enough argument !!");
        return FinishConsole(1);
    }

    std::vector<const char *> inFileName;
    for (size_t n = 1; n + 1 < args.size(); ++n)
        inFileName.push_back(args[n].c_str());
    const char *outFileName = args.back().c_str();

    bool generated = MakeHeaderFile(inFileName.data(), outFileName, inFileName.size());
    return FinishConsole(generated ? 0 : 1);
}
