// Trelvic: joins its input files in order and writes them as one C header.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Console.h"
#include "InputFile.h"
#include "Packing.h"
#include "Wildcards.h"

#ifdef _WIN32
#include "windows/WideNames.h"
#endif

static const char kHelp[] =
    "Usage: Trelvic [--quiet] [INPUT...] OUTPUT\n"
    "Joins the INPUT files in order and writes them to OUTPUT as a C header that\n"
    "defines UINT8 gImgCode[], 16 elements to a line, with CR LF line ends.\n"
    "An argument that names an existing file is that file; one that names nothing\n"
    "and holds * or ? is a pattern: * stands for any run of characters and ? for\n"
    "one, in any part of the path. The existing files that match are taken in\n"
    "byte order of their names, each read by the very name found; a pattern that\n"
    "matches none fails the run. A name that starts with . is matched only by a\n"
    "part that does too; case counts except on Windows. The OUTPUT is never a\n"
    "pattern, and a lone OUTPUT that holds anything but a header of Trelvic's is\n"
    "refused, as the output seems to be missing.\n"
    "\n"
    "      --quiet    as the first argument: print nothing when the run succeeds,\n"
    "                 and the whole report when it fails\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "\n"
    "Exit status: 0 when the header was written whole and the report printed;\n"
    "1 on any failure, a report that can't be written included.\n";

static int RefuseOutput(const char *outFileName, const char *reason) {
    std::puts("\nFailed to open output file !! ");
    ReportFileError(outFileName, reason);
    return FinishConsole(1, 1);
}

// With no input, the output is the only argument: a slip of the user who
// forgot it would cost the input. Only a file that is new, empty, no
// regular file, or a header of ours already may take the empty header.
static bool MayTakeEmptyHeader(const char *outFileName) {
    uint64_t size = 0;
    if (!RegularFileSize(outFileName, size) || size == 0)
        return true;
    char start[sizeof kHeaderStart - 1] = {};
    int fd = -1;
    if (OpenInput(outFileName, fd) != 0)
        return true; // opening it for writing says why not
    Transfer got = ReadInput(fd, reinterpret_cast<uint8_t *>(start), sizeof start);
    CloseInput(fd);
    return got.count == sizeof start && std::memcmp(start, kHeaderStart, sizeof start) == 0;
}

// The whole program, on its arguments in UTF-8.
static int RunTrelvic(std::vector<std::string> original) {
    PrepareProcess("Trelvic");
    if (original.size() > 1 && IsQuietOption(original[1].c_str())) {
        original.erase(original.begin() + 1);
        HoldReport();
    }
    std::vector<char *> argv;
    for (std::string &arg : original)
        argv.push_back(arg.data());
    if (AnswerInfoRequest(static_cast<int>(argv.size()), argv.data(), kHelp,
                          "Trelvic " TRELVIC_VERSION))
        return FinishConsole(0, 1);
    std::vector<Argument> args = ExpandArguments(original);

    std::puts("\nStart Packing");
    for (size_t k = 0; k < args.size(); ++k)
        std::printf("arg-%zu : %s\n", k, args[k].name.c_str());
    if (args.size() <= 1) {
        std::puts("\n Error - not enough argument !!");
        return FinishConsole(1, 1);
    }
    const char *outFileName = args.back().name.c_str();
    // A pattern there could only ever overwrite one of the files it matches.
    if (IsPattern(outFileName))
        return RefuseOutput(outFileName, "the output can't be a pattern");
    if (args.size() == 2 && !MayTakeEmptyHeader(outFileName))
        return RefuseOutput(outFileName, "holds no header of Trelvic's, so the output seems to be "
                                         "missing; it stays as it is");

    std::vector<const char *> inFileName, openName;
    for (size_t n = 1; n + 1 < args.size(); ++n) {
        inFileName.push_back(args[n].name.c_str());
        openName.push_back(args[n].path.empty() ? nullptr : args[n].path.c_str());
    }
    bool generated =
        MakeHeaderFile(inFileName.data(), outFileName, inFileName.size(), openName.data());
    return FinishConsole(generated ? 0 : 1, 1);
}

#ifdef _WIN32
// Every name as the system gives it, never through the ANSI code page.
int wmain(int argc, wchar_t **argv) {
    std::vector<std::string> args;
    for (int k = 0; k < argc; ++k)
        args.push_back(Narrow(argv[k]));
    return RunTrelvic(args);
}
#else
int main(int argc, char **argv) {
    return RunTrelvic(std::vector<std::string>(argv, argv + argc));
}
#endif
