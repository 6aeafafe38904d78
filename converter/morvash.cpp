// morvash: converts one binary file into a C header that defines the bytes,
// zero-padded to whole 32-bit words, with their size and word sum.
#include "morvash.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "Blocks.h"
#include "Console.h"
#include "HexLines.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "OutputReport.h"
#include "Progress.h"

namespace {

const char default_array_name[] = "gImgCode";

// The size fields are signed ints and the size is rounded up to a multiple
// of 4, so anything longer would overflow.
const long max_input_size = INT_MAX - 3;

// Every block but the last is whole words; the last gets its padding in place.
const size_t block_bytes = READ_BLOCK_BYTES;
unsigned char block[block_bytes + 4];

uint32_t load_le32(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

int calculate_sum(const unsigned char *buffer, int length) {
    if ((length & 3) != 0) {
        std::printf("buffer size = %d, mod=%d\n", length, length % 4);
        ReportError("buffer is aliged 4 bytes\n", errno);
        return -1;
    }
    uint32_t sum = 0;
    size_t words = length > 0 ? static_cast<size_t>(length) / 4 : 0;
    for (size_t i = 0; i < words; ++i)
        sum += load_le32(buffer + 4 * i);
    return static_cast<int>(sum);
}

namespace {

struct bin_data {
    int bin_size;
    int bin_buffer_size;
    uint32_t bin_sum;
};

void print_usage() {
    std::printf("usage:\n");
    std::printf("\t%s input(binary files) output(C Header file)\n", ProgramName());
}

bool refuse_too_large(const char *bin_name) {
    std::string limit =
        "input is too large (the limit is " + std::to_string(max_input_size) + " bytes)";
    ReportFileError(bin_name, limit.c_str());
    return false;
}

// What perror(text) says, then a line that names the file, as Trelvic's do.
void report_file(const char *text, const char *path, int err) {
    ReportError(text, err);
    ReportFileError(path, std::strerror(err));
}

// A read that came up short of the size found: the sizes, and the reason
// (none of the system's where the file simply ended early).
bool refuse_short_read(const char *bin_name, uint64_t bin_size, uint64_t read_bytes, int err) {
    std::printf("bin_size=%d,, read_bytes=%d\n", static_cast<int>(bin_size),
                static_cast<int>(read_bytes));
    report_file("fail to read binary file\n", bin_name, err);
    return false;
}

// perror(text) for the output; where the text could not be held, the line
// that says where comes first and names the file already.
void report_output(const OutputFile &out, const char *text, int err) {
    if (!OutputTextUnheld(out)) {
        report_file(text, out.path.c_str(), err);
        return;
    }
    ReportFileError(out.path.c_str(), OutputFailureReason(out, err).c_str());
    ReportError(text, err);
}

// The header's text failed while input remained: its reason is the run's,
// told as at the open or at the commit.
bool refuse_failed_output(const OutputFile &out) {
    report_output(out,
                  OutputTextUnheld(out) ? "fail to output file\n" : "fail to write header file\n",
                  out.err);
    return false;
}

// Streams the input into the array, summing it on the way. A regular file
// is read to the size it had when it was opened, and no further, so that a
// file cut short meanwhile is never taken whole; a stream (a pipe, a device,
// a file whose size reads as 0 or says nothing) to its end. Once the header
// can't be written, the rest of the input would only put off saying why.
bool convert_input(int bin, const char *bin_name, uint64_t bin_size, OutputFile &out,
                   bin_data &data) {
    HexLines lines{LINE_END_LF};
    uint64_t total = 0;
    size_t want, read_bytes;
    bool more;
    do {
        want = bin_size != 0 && bin_size - total < block_bytes
                   ? static_cast<size_t>(bin_size - total)
                   : block_bytes;
        Transfer got = ReadInput(bin, block, want);
        if (got.err != 0 && bin_size != 0)
            return refuse_short_read(bin_name, bin_size, total, got.err);
        if (got.err != 0) {
            report_file("fail to read binary file\n", bin_name, got.err);
            return false;
        }
        read_bytes = got.count;
        total += read_bytes;
        if (total > static_cast<uint64_t>(max_input_size))
            return refuse_too_large(bin_name);
        size_t padded = (read_bytes + 3) / 4 * 4;
        std::memset(block + read_bytes, 0, padded - read_bytes);
        data.bin_sum += static_cast<uint32_t>(calculate_sum(block, static_cast<int>(padded)));
        WriteHexLines(out, lines, block, padded);
        ShowProgress(total);
        more = read_bytes == want && (bin_size == 0 || total < bin_size);
    } while (more && !OutputTextFailed(out));
    if (more)
        return refuse_failed_output(out);
    if (total < bin_size && InputSizeIsTrue(bin))
        return refuse_short_read(bin_name, bin_size, total, ENODATA);
    data.bin_size = static_cast<int>(total);
    data.bin_buffer_size = (data.bin_size + 3) / 4 * 4;
    if (int err = CloseInput(bin); err != 0) {
        report_file("fail to read binary file\n", bin_name, err);
        return false;
    }
    return true;
}

void write_text(OutputFile &out, const std::string &text) {
    WriteOutput(out, text.data(), text.size());
}

void write_trailer(OutputFile &out, const std::string &array_name, const bin_data &data) {
    char sum[16];
    std::snprintf(sum, sizeof sum, "0x%08x", static_cast<unsigned>(data.bin_sum));
    write_text(out, "\n};\nstatic const int " + array_name +
                        "_size = " + std::to_string(data.bin_size) +
                        ";\nstatic const unsigned int " + array_name + "_sum = " + sum + ";\n\n");
}

void print_report(const char *bin_name, const char *src_name, const bin_data &data) {
    const char rule[] = "==============================================\n";
    std::printf("%s", rule);
    std::printf("converting %s=>%s\n", bin_name, src_name);
    std::printf("%s", rule);
    std::printf("bin_size=%d, 4byte allign=%s\n", data.bin_size,
                data.bin_size % 4 == 0 ? "OK" : "FAIL");
    std::printf("bin_buffer_size=%d\n", data.bin_buffer_size);
    std::printf("bin_sum=0x%08x\n", static_cast<unsigned>(data.bin_sum));
}

// Opens the output proper only now that the input is read whole, then
// reports and puts the header in place. The output is emptied only as the
// header goes in, so a console that blocks the report never holds it empty.
bool finish_output(OutputFile &out, const char *bin_name, const char *src_name,
                   const bin_data &data) {
    EndProgress(); // the input is read
    if (int err = OpenFinalOutput(out); err != 0) {
        AbandonOutput(out);
        ReportOutputNotes(out);
        report_output(out, "fail to output file\n", err);
        return false;
    }
    ReportOutputNotes(out);
    print_report(bin_name, src_name, data);
    int err = CommitOutput(out);
    ReportOutputNotes(out);
    if (err != 0) {
        report_output(out, "fail to write header file\n", err);
        return false;
    }
    return true;
}

bool is_c_identifier(const char *name) {
    auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
    if (!letter(name[0]))
        return false;
    for (const char *c = name + 1; *c != '\0'; ++c)
        if (!letter(*c) && !std::isdigit(static_cast<unsigned char>(*c)))
            return false;
    return true;
}

// The name is pasted verbatim all the same: callers may rely on that.
void warn_not_identifier(const char *array_name) {
    std::string warning = std::string("warning: the array name '") + array_name +
                          "' is no C identifier: the header will not compile as C";
    ReportProblem(warning.c_str());
}

const char help_text[] =
    "Usage: morvash [--quiet] INPUT OUTPUT [ARRAY_NAME]\n"
    "Pads INPUT with zeros to a multiple of 4 bytes and writes OUTPUT, a C header\n"
    "that defines the bytes as static const unsigned char ARRAY_NAME[] (default\n"
    "gImgCode), with ARRAY_NAME_size (the unpadded size) and ARRAY_NAME_sum (the\n"
    "sum of the padded bytes as little-endian 32-bit words). An ARRAY_NAME that is\n"
    "no C identifier is pasted all the same, with a warning. Failures name the file.\n"
    "\n"
    "      --quiet    as the first argument: print nothing when the run succeeds,\n"
    "                 and the whole report when it fails\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "\n"
    "Exit status: 0 when the header was written whole and the report printed;\n"
    "255 on any failure, a report that can't be written included.\n";

#ifndef MORVASH_VERSION
#define MORVASH_VERSION "unknown"
#endif

} // namespace

int run_morvash(int argc, char **argv) {
    PrepareProcess("morvash");
    if (argc > 1 && IsQuietOption(argv[1])) {
        HoldReport();
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    if (AnswerInfoRequest(argc, argv, help_text, "morvash " MORVASH_VERSION))
        return FinishConsole(0, -1);
    if (argc < 3) {
        print_usage();
        return -1;
    }
    const char *bin_name = argv[1];
    const char *src_name = argv[2];
    const char *array_name = argc > 3 ? argv[3] : default_array_name;
    std::printf("bin_name=%s\n", bin_name);
    std::printf("src_name=%s\n", src_name);
    if (array_name[0] == '\0') {
        ReportProblem("the array name must not be empty");
        return -1;
    }
    if (!is_c_identifier(array_name))
        warn_not_identifier(array_name);

    int bin = -1;
    if (int err = OpenInput(bin_name, bin); err != 0) {
        report_file("fail to input file\n", bin_name, err);
        return -1;
    }
    const uint64_t size_hint = InputSizeHint(bin);
    if (size_hint > static_cast<uint64_t>(max_input_size)) {
        refuse_too_large(bin_name);
        return -1;
    }

    OutputFile out;
    BeginOutput(out, src_name, ProgramName());
    ReportOutputNotes(out);
    StartProgress(ProgramName(), size_hint);
    write_text(out, std::string("static const unsigned char ") + array_name + "[] = \n{\n");
    bin_data data{};
    if (!convert_input(bin, bin_name, size_hint, out, data)) {
        EndProgress();
        AbandonOutput(out);
        ReportOutputNotes(out);
        return -1;
    }
    write_trailer(out, array_name, data);
    if (!finish_output(out, bin_name, src_name, data))
        return -1;
    return FinishConsole(0, -1);
}
