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

int main(int argc, char **argv) {
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
