// Trelvic: joins its input files in order and writes them as one C header.
#include <cstdio>
#include <string>
#include <vector>

#include "Console.h"
#include "Packing.h"
#include "Wildcards.h"

static const char kHelp[] =
    "Usage: Trelvic [INPUT...] OUTPUT\n"
    "Joins the INPUT files in order and writes them to OUTPUT as a C header that\n"
    "defines UINT8 gImgCode[], 16 elements to a line, with CR LF line ends.\n"
    "Patterns with * or ? are expanded to the matching files, sorted.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "\n"
    "Exit status: 0 when the header was written whole and the report printed;\n"
    "1 on any failure, a report that can't be written included.\n";

int main(int argc, char **argv) {
    PrepareProcess("Trelvic");
    if (AnswerInfoRequest(argc, argv, kHelp, "Trelvic " TRELVIC_VERSION))
        return FinishConsole(0, 1);
    std::vector<std::string> args = ExpandArguments(argc, argv);

    std::puts("\nStart Packing");
    for (size_t k = 0; k < args.size(); ++k)
        std::printf("arg-%zu : %s\n", k, args[k].c_str());
    if (args.size() <= 1) {
        std::puts("\n Error - not enough argument !!");
        return FinishConsole(1, 1);
    }

    std::vector<const char *> inFileName;
    for (size_t n = 1; n + 1 < args.size(); ++n)
        inFileName.push_back(args[n].c_str());
    const char *outFileName = args.back().c_str();

    bool generated = MakeHeaderFile(inFileName.data(), outFileName, inFileName.size());
    return FinishConsole(generated ? 0 : 1, 1);
}
