#include "Packing.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#include "HeaderText.h"
#include "OutputFile.h"
#include "Platform.h"

UINT8 *gDataBuf = nullptr;

namespace {

size_t gDataBufSize = 0;

// Input bytes formatted per write: a multiple of the line length, and big
// enough that the system call's cost vanishes next to the copying.
constexpr size_t kBlockBytes = 64 * 1024;

const char kOpenInputFailed[] = "\nFailed to open input file !! ";
const char kReadInputFailed[] = "\nFailed to read input file !! ";
const char kOpenOutputFailed[] = "\nFailed to open output file !! ";

[[noreturn]] void FailOnFile(const char *message, const char *path, int err) {
    std::puts(message);
    ReportFileError(path, err);
    std::exit(1);
}

// Grows gDataBuf, doubling from DATA_MAX_SIZE, until it holds total bytes.
// used bytes of it are kept.
bool Reserve(size_t total, size_t used) {
    if (total <= gDataBufSize)
        return true;
    size_t size = gDataBufSize != 0 ? gDataBufSize : DATA_MAX_SIZE;
    while (size < total)
        size *= 2;
    void *grown = GrowBuffer(gDataBuf, used, size);
    if (grown == nullptr)
        return false;
    gDataBuf = static_cast<UINT8 *>(grown);
    gDataBufSize = size;
    return true;
}

// A regular file's length, so that it can be read straight into place.
size_t SizeHint(FILE *fHandle) {
    struct stat st {};
    if (fstat(fileno(fHandle), &st) == 0 && S_ISREG(st.st_mode))
        return static_cast<size_t>(st.st_size);
    return 0;
}

// The inputs' total length as far as it is known before opening them.
size_t KnownInputSize(const char *const inFileName[], size_t numFiles) {
    size_t total = 0;
    for (size_t i = 0; i < numFiles; ++i) {
        struct stat st {};
        if (stat(inFileName[i], &st) == 0 && S_ISREG(st.st_mode))
            total += static_cast<size_t>(st.st_size);
    }
    return total;
}

// A lone large input is mapped in place of gDataBuf. Console text so far
// goes out now, as a fault in the mapping ends the process abruptly.
bool MapLoneInput(FILE *fHandle, const char *name, size_t &copyCnt) {
    void *mapped = MapInputFile(fHandle, copyCnt);
    if (mapped == nullptr)
        return false;
    gDataBuf = static_cast<UINT8 *>(mapped);
    GuardMappedInput(name, kReadInputFailed);
    std::fflush(stdout);
    return true;
}

void GatherFile(const char *name, size_t &copyCnt, bool lone) {
    FILE *fHandle = std::fopen(name, "rb");
    if (fHandle == nullptr) {
        int err = errno;
        // Windows refuses to open a folder that Linux opens and fails to
        // read; both report it the same way.
        struct stat st {};
        if (stat(name, &st) == 0 && S_ISDIR(st.st_mode))
            FailOnFile(kReadInputFailed, name, EISDIR);
        FailOnFile(kOpenInputFailed, name, err);
    }
    if (lone && MapLoneInput(fHandle, name, copyCnt)) {
        if (std::fclose(fHandle) != 0) // the mapping stays valid
            FailOnFile(kReadInputFailed, name, errno);
        return;
    }
    // One spare byte lets the read that meets the end of the file happen in place.
    if (!Reserve(copyCnt + SizeHint(fHandle) + 1, copyCnt))
        FailOnFile(kReadInputFailed, name, ENOMEM);
    while (!std::feof(fHandle)) {
        if (copyCnt == gDataBufSize && !Reserve(copyCnt + 1, copyCnt))
            FailOnFile(kReadInputFailed, name, ENOMEM);
        size_t readCnt = std::fread(gDataBuf + copyCnt, 1, gDataBufSize - copyCnt, fHandle);
        copyCnt += readCnt;
        if (std::ferror(fHandle))
            FailOnFile(kReadInputFailed, name, errno);
    }
    if (std::fclose(fHandle) != 0)
        FailOnFile(kReadInputFailed, name, errno);
}

// Writes unless an earlier write failed, and keeps the first failure's reason.
// Returns the bytes that the stream accepted.
size_t WriteOut(FILE *fHandle, const char *text, size_t len, int &writeErr) {
    if (writeErr != 0)
        return 0;
    errno = 0;
    size_t written = std::fwrite(text, 1, len, fHandle);
    if (written != len)
        writeErr = errno != 0 ? errno : EIO;
    return written;
}

// Returns the number of hex digits that the stream accepted.
size_t WriteBody(FILE *fHandle, size_t copyCnt, int &writeErr) {
    size_t blockBytes = std::min(copyCnt, kBlockBytes);
    char *text = static_cast<char *>(std::malloc(HexTextCapacity(blockBytes)));
    if (text == nullptr) {
        writeErr = ENOMEM;
        return 0;
    }
    size_t tCnt = 0;
    for (size_t i = 0; i < copyCnt && writeErr == 0; i += blockBytes) {
        size_t len = FormatHexLines(gDataBuf + i, std::min(blockBytes, copyCnt - i), text);
        tCnt += HexDigitsIn(WriteOut(fHandle, text, len, writeErr));
    }
    std::free(text);
    return tCnt;
}

// Returns the number of hex digits that reached the output; writeErr tells
// whether anything at all, the close included, failed.
size_t WriteHeader(const char *outFileName, size_t copyCnt, int &writeErr) {
    static const char opening[] = "UINT8 gImgCode[]=" LINE_END "{" LINE_END;
    static const char closing[] = LINE_END "};" LINE_END;

    OutputFile out;
    if (!OpenOutputFile(outFileName, out))
        FailOnFile(kOpenOutputFailed, outFileName, errno);
    FILE *fHandle = out.stream;
    // Unbuffered, so that each write's count is what the file took.
    std::setvbuf(fHandle, nullptr, _IONBF, 0);
    WriteOut(fHandle, opening, sizeof opening - 1, writeErr);
    size_t tCnt = WriteBody(fHandle, copyCnt, writeErr);
    WriteOut(fHandle, closing, sizeof closing - 1, writeErr);
    // A failed close or rename counts as a failed write.
    if (!CloseOutputFile(out, writeErr == 0) && writeErr == 0)
        writeErr = errno != 0 ? errno : EIO;
    return tCnt;
}

void PrintReport(const char *const inFileName[], const char *outFileName, size_t numFiles) {
    for (size_t i = 0; i < numFiles; ++i)
        std::printf("Input%zu: %s\n", i, inFileName[i]);
    std::printf("Output: %s\n", outFileName);
}

} // namespace

bool MakeHeaderFile(const char *const inFileName[], const char *outFileName, size_t numFiles) {
    size_t copyCnt = 0;
    bool lone = numFiles == 1;
    // One allocation for all the inputs spares copying them as the buffer grows;
    // should it fail, gathering reports it for the file that needs the room.
    if (!lone)
        Reserve(KnownInputSize(inFileName, numFiles) + 1, 0);
    for (size_t i = 0; i < numFiles; ++i)
        GatherFile(inFileName[i], copyCnt, lone);

    int writeErr = 0;
    size_t tCnt = WriteHeader(outFileName, copyCnt, writeErr);
    if (writeErr != 0)
        ReportFileError(outFileName, writeErr);

    PrintReport(inFileName, outFileName, numFiles);
    // Two digits per byte, and every write accepted in full.
    bool generated = writeErr == 0 && (tCnt >> 1) == copyCnt;
    std::puts(generated ? "\nGenerated Header File succesfully.....!"
                        : "\nFile Generation Fail.....!");
    return generated;
}

UINT8 GetDigitCnt(const char *pBuf) {
    for (UINT8 i = 0; i < 3; ++i) {
        if (pBuf[i] == '\0')
            return i;
    }
    return 3;
}

UINT8 *GetParity(UINT8 *pDataBuff, UINT32 byteLen) {
    UINT8 parity = 0;
    for (UINT32 i = 0; i < byteLen; ++i)
        parity ^= pDataBuff[i];
    pDataBuff[byteLen] = parity;
    return pDataBuff + byteLen + 1;
}
