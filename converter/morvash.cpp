// morvash: converts one binary file into a C header that defines the bytes,
// zero-padded to whole 32-bit words, with their size and word sum.
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MORVASH_SSSE3 1
#endif

namespace {

const char default_array_name[] = "gImgCode";

// The size fields are signed ints and the size is rounded up to a multiple
// of 4, so anything longer would overflow.
const long max_input_size = INT_MAX - 3;

// Input bytes formatted per write; a multiple of the 16-byte line.
const size_t block_bytes = 64 * 1024;

const size_t line_bytes = 16;
const size_t element_text = 6;                              // "0xhh, "
const size_t line_text = 1 + line_bytes * element_text + 1; // tab ... LF
const size_t element_stride = 8;

struct bin_data {
    unsigned char *buffer;
    int bin_size;
    int bin_buffer_size;
    bool mapped; // buffer is the input file's mapping, not heap memory
};

// Below this size, reading is as quick as mapping the file.
const long min_mapped_size = 1L << 20;

using element_table = std::array<std::array<char, element_stride>, 256>;

constexpr char hex_digits[] = "0123456789abcdef";

constexpr element_table make_element_table() {
    element_table table{};
    for (size_t v = 0; v < table.size(); ++v)
        table[v] = {'0', 'x', hex_digits[v >> 4], hex_digits[v & 15], ',', ' ', 0, 0};
    return table;
}

constexpr element_table elements = make_element_table();

bool report_failure(const char *text) {
    std::fflush(stdout); // keeps the detail lines ahead of the report on a terminal
    std::perror(text);
    return false;
}

uint32_t load_le32(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

int calculate_sum(const unsigned char *buffer, int length) {
    if ((length & 3) != 0) {
        std::printf("buffer size = %d, mod=%d\n", length, length % 4);
        report_failure("buffer is aliged 4 bytes\n");
        return -1;
    }
    uint32_t sum = 0;
    size_t words = length > 0 ? static_cast<size_t>(length) / 4 : 0;
    for (size_t i = 0; i < words; ++i)
        sum += load_le32(buffer + 4 * i);
    return static_cast<int>(sum);
}

namespace {

char *format_elements(const unsigned char *data, size_t n, char *p) {
    *p++ = '\t';
    for (size_t i = 0; i < n; ++i, p += element_text)
        std::memcpy(p, elements[data[i]].data(), element_stride);
    return p;
}

// Formats count bytes as data lines starting at a line boundary; a last
// partial line is left open. out needs format_capacity(count) bytes.
size_t format_lines_portable(const unsigned char *data, size_t count, char *out) {
    char *p = out;
    for (; count >= line_bytes; count -= line_bytes, data += line_bytes) {
        p = format_elements(data, line_bytes, p);
        *p++ = '\n';
    }
    if (count != 0)
        p = format_elements(data, count, p);
    return static_cast<size_t>(p - out);
}

#ifdef MORVASH_SSSE3

// A line's 96 element characters as six 16-byte pieces. Each piece takes the
// digits it needs from one register of 16 digits (those of 8 bytes) and the
// rest from a fixed frame of "0x" and ", ".
const size_t line_pieces = line_bytes * element_text / 16;
struct line_shape {
    std::array<std::array<char, 16>, line_pieces> pick;
    std::array<std::array<char, 16>, line_pieces> frame;
};

constexpr line_shape make_line_shape() {
    const char element_frame[] = "0x??, ";
    line_shape shape{};
    for (size_t pos = 0; pos < line_pieces * 16; ++pos) {
        size_t element = pos / element_text, offset = pos % element_text;
        bool digit = offset == 2 || offset == 3;
        // A pick with its top bit set yields 0, leaving the frame's byte.
        shape.pick[pos / 16][pos % 16] =
            digit ? static_cast<char>((element * 2 + offset - 2) % 16) : static_cast<char>(0x80);
        shape.frame[pos / 16][pos % 16] = digit ? '\0' : element_frame[offset];
    }
    return shape;
}

alignas(16) constexpr line_shape shape_of_line = make_line_shape();

__attribute__((target("ssse3"))) inline __m128i load16(const std::array<char, 16> &bytes) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(bytes.data()));
}

__attribute__((target("ssse3"))) char *format_full_lines_ssse3(const unsigned char *data,
                                                               size_t lines, char *p) {
    const __m128i digit_chars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hex_digits));
    const __m128i low4 = _mm_set1_epi8(0x0f);
    for (size_t line = 0; line < lines; ++line, data += line_bytes) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data));
        __m128i high = _mm_shuffle_epi8(digit_chars, _mm_and_si128(_mm_srli_epi16(in, 4), low4));
        __m128i low = _mm_shuffle_epi8(digit_chars, _mm_and_si128(in, low4));
        // Digits in text order: those of bytes 0 to 7, then of bytes 8 to 15.
        const __m128i digits[2] = {_mm_unpacklo_epi8(high, low), _mm_unpackhi_epi8(high, low)};
        *p++ = '\t';
        for (size_t k = 0; k < line_pieces; ++k, p += 16) {
            __m128i picked = _mm_shuffle_epi8(digits[k / 3], load16(shape_of_line.pick[k]));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(p),
                             _mm_or_si128(picked, load16(shape_of_line.frame[k])));
        }
        *p++ = '\n';
    }
    return p;
}

bool has_ssse3() {
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
    return has;
}

#endif

size_t format_lines(const unsigned char *data, size_t count, char *out) {
#ifdef MORVASH_SSSE3
    if (has_ssse3()) {
        size_t full_lines = count / line_bytes;
        char *p = format_full_lines_ssse3(data, full_lines, out);
        return static_cast<size_t>(p - out) +
               format_lines_portable(data + full_lines * line_bytes, count % line_bytes, p);
    }
#endif
    return format_lines_portable(data, count, out);
}

size_t format_capacity(size_t count) {
    return (count / line_bytes + 1) * line_text + element_stride;
}

void print_usage() {
    std::printf("usage:\n");
    std::printf("\t%s input(binary files) output(C Header file)\n", "morvash");
}

bool refuse_too_large(const char *bin_name) {
    std::fprintf(stderr, "morvash: %s: input is too large (the limit is %ld bytes)\n", bin_name,
                 max_input_size);
    return false;
}

// Pads the data read so far with zeros to a whole number of words.
void pad_to_words(bin_data *data) {
    data->bin_buffer_size = (data->bin_size + 3) / 4 * 4;
    std::memset(data->buffer + data->bin_size, 0,
                static_cast<size_t>(data->bin_buffer_size - data->bin_size));
}

// Room for size bytes and their padding. Large buffers get huge pages: with
// 4 KiB pages, faulting a fresh buffer in costs more than reading the data.
unsigned char *allocate_buffer(size_t size) {
    const size_t huge_page = size_t{2} << 20;
    size_t rounded = (size + 4 + huge_page - 1) / huge_page * huge_page;
    void *buffer = std::aligned_alloc(huge_page, rounded);
    if (buffer != nullptr)
        madvise(buffer, rounded, MADV_HUGEPAGE); // only a hint: the system may say no
    return static_cast<unsigned char *>(buffer);
}

// A file whose length is known is read in one go, straight into place.
bool load_sized(FILE *bin, long bin_size, bin_data *data) {
    size_t size = static_cast<size_t>(bin_size);
    data->buffer = allocate_buffer(size);
    if (data->buffer == nullptr)
        return report_failure("fail to allocate buffer\n");
    size_t read_bytes = std::fread(data->buffer, 1, size, bin);
    if (read_bytes != size) {
        std::printf("bin_size=%d,, read_bytes=%d\n", static_cast<int>(bin_size),
                    static_cast<int>(read_bytes));
        std::free(data->buffer);
        return report_failure("fail to read binary file\n");
    }
    data->bin_size = static_cast<int>(bin_size);
    return true;
}

// A pipe or other stream without a length is read to its end, but never
// further than one byte past the limit.
bool load_stream(FILE *bin, const char *bin_name, bin_data *data) {
    const size_t limit = static_cast<size_t>(max_input_size);
    size_t capacity = 64 * 1024, size = 0;
    unsigned char *buffer = nullptr;
    bool ok = true;
    while (ok && !std::feof(bin) && size <= limit) {
        // Room for the padding stays beyond the capacity.
        auto *grown = static_cast<unsigned char *>(std::realloc(buffer, capacity + 4));
        if (grown == nullptr) {
            ok = report_failure("fail to allocate buffer\n");
            break;
        }
        buffer = grown;
        size += std::fread(buffer + size, 1, capacity - size, bin);
        if (std::ferror(bin))
            ok = report_failure("fail to read binary file\n");
        capacity = capacity * 2 < limit + 1 ? capacity * 2 : limit + 1;
    }
    if (ok && size > limit)
        ok = refuse_too_large(bin_name);
    if (!ok) {
        std::free(buffer);
        return false;
    }
    data->buffer = buffer;
    data->bin_size = static_cast<int>(size);
    return true;
}

// The header's destination. A regular file is replaced only once the whole
// header is written: it goes to a temporary file in the same folder that is
// renamed over the output at the end, so that a failed or interrupted run
// never leaves a partial header that looks up to date. Anything else (a
// device, a FIFO) is written directly.
struct output_file {
    FILE *stream = nullptr;
    std::string final_path; // the file to replace, symbolic links followed
    std::string temp_path;  // empty when writing directly
};

// The temporary file's path, where a signal handler can reach it.
char unfinished_path[4096];

void remove_unfinished_output() {
    if (unfinished_path[0] != '\0')
        unlink(unfinished_path);
}

void on_interrupt(int sig) {
    remove_unfinished_output();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::string folder_of(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that a chain of symbolic links ends in, existing or not.
std::string follow_links(const char *path) {
    std::string target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        char link[PATH_MAX];
        if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        ssize_t len = readlink(target.c_str(), link, sizeof link - 1);
        if (len < 0)
            break;
        link[len] = '\0';
        target = link[0] == '/' ? std::string(link) : folder_of(target) + "/" + link;
    }
    return target;
}

// A replaced file keeps its owner and mode; a new one gets the usual mode.
bool set_owner_and_mode(int fd, const struct stat *existing) {
    if (existing != nullptr && fchown(fd, existing->st_uid, existing->st_gid) != 0) {
        // Only root may give a file away; anyone else keeps it as their own.
    }
    mode_t mask = umask(0);
    umask(mask);
    return fchmod(fd, existing != nullptr ? existing->st_mode & 07777 : 0666 & ~mask) == 0;
}

bool open_temporary(const struct stat *existing, output_file *out) {
    size_t slash = out->final_path.rfind('/');
    std::string name =
        slash == std::string::npos ? out->final_path : out->final_path.substr(slash + 1);
    std::string pattern = folder_of(out->final_path) + "/." + name + ".XXXXXX";
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        // A signal that the caller set to be ignored (nohup, a background job) stays so.
        if (std::signal(sig, on_interrupt) == SIG_IGN)
            std::signal(sig, SIG_IGN);
    }
    // An interruption between creating the file and remembering its name
    // would leave it behind; it waits until the name is known.
    sigset_t interrupts;
    sigemptyset(&interrupts);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&interrupts, sig);
    sigprocmask(SIG_BLOCK, &interrupts, nullptr);
    int fd = mkstemp(pattern.data());
    if (fd >= 0 && pattern.size() < sizeof unfinished_path)
        std::memcpy(unfinished_path, pattern.c_str(), pattern.size() + 1);
    sigprocmask(SIG_UNBLOCK, &interrupts, nullptr);
    if (fd < 0)
        return false;
    out->temp_path = pattern;
    out->stream = set_owner_and_mode(fd, existing) ? fdopen(fd, "w") : nullptr;
    if (out->stream != nullptr)
        return true;
    int err = errno;
    close(fd);
    remove_unfinished_output();
    unfinished_path[0] = '\0';
    errno = err;
    return false;
}

bool open_output(const char *src_name, output_file *out) {
    out->final_path = follow_links(src_name);
    struct stat st {};
    bool exists = stat(out->final_path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        out->stream = std::fopen(src_name, "w");
        return out->stream != nullptr;
    }
    return open_temporary(exists ? &st : nullptr, out);
}

// Closes the stream, then renames the temporary file over the output
// (commit) or removes it. Returns false with errno set when the close or the
// rename failed; no temporary file is left behind.
bool close_output(output_file *out, bool commit) {
    errno = 0;
    bool ok = std::fclose(out->stream) == 0;
    if (out->temp_path.empty())
        return ok;
    ok = ok && (!commit || std::rename(out->temp_path.c_str(), out->final_path.c_str()) == 0);
    int err = errno;
    if (!ok || !commit)
        remove_unfinished_output();
    unfinished_path[0] = '\0';
    errno = err;
    return ok;
}

void release_buffer(bin_data *data) {
    if (data->mapped)
        munmap(data->buffer, static_cast<size_t>(data->bin_size));
    else
        std::free(data->buffer);
}

const char *mapped_name = "";

void write_all(int fd, const char *text) {
    for (size_t len = std::strlen(text); len != 0;) {
        ssize_t written = write(fd, text, len);
        if (written <= 0)
            return;
        text += written;
        len -= static_cast<size_t>(written);
    }
}

void on_mapped_input_fault(int) {
    remove_unfinished_output();
    write_all(STDERR_FILENO, "morvash: ");
    write_all(STDERR_FILENO, mapped_name);
    write_all(STDERR_FILENO, ": the file shrank while it was read\n");
    _exit(255);
}

// A large file is mapped rather than read: its bytes need neither a fresh
// buffer nor a copy, and the bytes past its end up to the page's end, the
// padding, read as zeros. Should the file shrink under the process, the
// access faults; that ends the run as a failed read.
bool map_input(FILE *bin, const char *bin_name, long bin_size, bin_data *data) {
    void *mapped = mmap(nullptr, static_cast<size_t>(bin_size), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_POPULATE, fileno(bin), 0);
    if (mapped == MAP_FAILED)
        return false;
    mapped_name = bin_name;
    struct sigaction action {};
    action.sa_handler = on_mapped_input_fault;
    sigaction(SIGBUS, &action, nullptr);
    std::fflush(stdout); // the handler can't flush it
    data->buffer = static_cast<unsigned char *>(mapped);
    data->bin_size = static_cast<int>(bin_size);
    data->mapped = true;
    return true;
}

bool load_binary(FILE *bin, const char *bin_name, bin_data *data) {
    struct stat st {};
    if (fstat(fileno(bin), &st) != 0)
        return report_failure("fail to read binary file\n");
    bool loaded;
    if (!S_ISREG(st.st_mode))
        loaded = load_stream(bin, bin_name, data);
    else if (st.st_size > max_input_size)
        loaded = refuse_too_large(bin_name);
    else if (st.st_size >= min_mapped_size && map_input(bin, bin_name, st.st_size, data))
        loaded = true;
    else
        loaded = load_sized(bin, st.st_size, data);
    if (!loaded)
        return false;
    pad_to_words(data);
    if (std::fclose(bin) != 0) {
        release_buffer(data);
        return report_failure("fail to read binary file\n");
    }
    return true;
}

void print_report(const char *bin_name, const char *src_name, const bin_data *data, int bin_sum) {
    const char rule[] = "==============================================\n";
    std::printf("%s", rule);
    std::printf("converting %s=>%s\n", bin_name, src_name);
    std::printf("%s", rule);
    std::printf("bin_size=%d, 4byte allign=%s\n", data->bin_size,
                data->bin_size % 4 == 0 ? "OK" : "FAIL");
    std::printf("bin_buffer_size=%d\n", data->bin_buffer_size);
    std::printf("bin_sum=0x%08x\n", static_cast<unsigned>(bin_sum));
}

bool write_elements(FILE *src, const unsigned char *data, size_t count) {
    size_t block = count < block_bytes ? count : block_bytes;
    char *text = static_cast<char *>(std::malloc(format_capacity(block)));
    if (text == nullptr)
        return false;
    bool ok = true;
    for (size_t i = 0; ok && i < count; i += block) {
        size_t len = format_lines(data + i, count - i < block ? count - i : block, text);
        ok = std::fwrite(text, 1, len, src) == len;
    }
    std::free(text);
    return ok;
}

// Writes the header; on failure errno holds the first reason.
bool write_header(FILE *src, const char *array_name, const bin_data *data, int bin_sum) {
    return std::fprintf(src, "static const unsigned char %s[] = \n{\n", array_name) >= 0 &&
           write_elements(src, data->buffer, static_cast<size_t>(data->bin_buffer_size)) &&
           std::fprintf(src, "\n};\n") >= 0 &&
           std::fprintf(src, "static const int %s_size = %d;\n", array_name, data->bin_size) >= 0 &&
           std::fprintf(src, "static const unsigned int %s_sum = 0x%08x;\n", array_name,
                        static_cast<unsigned>(bin_sum)) >= 0 &&
           std::fprintf(src, "\n") >= 0;
}

// Opens the output only now that the input is read whole, then reports and writes.
bool write_output(const char *bin_name, const char *src_name, const char *array_name,
                  const bin_data *data, int bin_sum) {
    output_file out;
    if (!open_output(src_name, &out))
        return report_failure("fail to output file\n");
    // The elements come in large blocks of their own; a stream buffer would
    // only split each block into an aligned write and a copied remainder.
    std::setvbuf(out.stream, nullptr, _IONBF, 0);
    print_report(bin_name, src_name, data, bin_sum);
    bool written = write_header(out.stream, array_name, data, bin_sum);
    int write_error = errno;
    if (!close_output(&out, written))
        return report_failure("fail to write header file\n");
    if (!written) {
        errno = write_error;
        return report_failure("fail to write header file\n");
    }
    return true;
}

int finish_console() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "morvash: standard output: %s\n", std::strerror(errno));
        return -1;
    }
    return 0;
}

const char help_text[] =
    "Usage: morvash INPUT OUTPUT [ARRAY_NAME]\n"
    "Pads INPUT with zeros to a multiple of 4 bytes and writes OUTPUT, a C header\n"
    "that defines the bytes as static const unsigned char ARRAY_NAME[] (default\n"
    "gImgCode), with ARRAY_NAME_size (the unpadded size) and ARRAY_NAME_sum (the\n"
    "sum of the padded bytes as little-endian 32-bit words).\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "\n"
    "Exit status: 0 when the header was written whole, 255 on any failure.\n";

#ifndef MORVASH_VERSION
#define MORVASH_VERSION "unknown"
#endif

// -h, --help and --version count only as the whole command line, so that
// every other command line keeps its meaning.
bool answer_info_request(int argc, char **argv) {
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)
        std::fputs(help_text, stdout);
    else if (std::strcmp(argv[1], "--version") == 0)
        std::puts("morvash " MORVASH_VERSION);
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (answer_info_request(argc, argv))
        return finish_console();
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
        std::fprintf(stderr, "morvash: the array name must not be empty\n");
        return -1;
    }

    FILE *bin = std::fopen(bin_name, "rb");
    if (bin == nullptr) {
        report_failure("fail to input file\n");
        return -1;
    }
    bin_data data{};
    if (!load_binary(bin, bin_name, &data))
        return -1;
    int bin_sum = calculate_sum(data.buffer, data.bin_buffer_size);
    bool written = write_output(bin_name, src_name, array_name, &data, bin_sum);
    release_buffer(&data);
    return written ? finish_console() : -1;
}
