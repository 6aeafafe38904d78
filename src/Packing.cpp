#include "Packing.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Console.h"
#include "FailureReason.h"
#include "HexLines.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "OutputReport.h"
#include "Progress.h"

UINT8 gDataBuf[DATA_MAX_SIZE];

namespace {

const char kOpenInputFailed[] = "\nFailed to open input file !! ";
const char kReadInputFailed[] = "\nFailed to read input file !! ";
const char kOpenOutputFailed[] = "\nFailed to open output file !! ";
const char kClosing[] = LINE_END_CRLF "};" LINE_END_CRLF;

[[noreturn]] void FailOnFile(OutputFile &out, const char *message, const char *path,
                             const std::string &reason) {
    EndProgress();
    AbandonOutput(out);
    ReportOutputNotes(out);
    std::puts(message);
    ReportFileError(path, reason.c_str());
    std::exit(1);
}

// An input's failure in its own words, whatever became of the output.
[[noreturn]] void FailOnInput(OutputFile &out, const char *message, const char *name,
                              const char *path, int err) {
    FailOnFile(out, message, name, FailureReason(path, err));
}

// Streams one input into the header, block by block. Once the header has
// failed, its bytes would go nowhere: an input is then only checked to be
// there and readable.
void GatherFile(const char *name, const char *path, OutputFile &out, HexLines &lines,
                size_t &copyCnt) {
    if (path == nullptr)
        FailOnFile(out, kOpenInputFailed, name, "no file matches this pattern");
    int fHandle = -1;
    if (int err = OpenInput(path, fHandle); err != 0)
        FailOnInput(out, kOpenInputFailed, name, path, err);
    size_t readCnt;
    do {
        Transfer got = ReadInput(fHandle, gDataBuf, DATA_MAX_SIZE);
        if (got.err != 0)
            FailOnInput(out, kReadInputFailed, name, path, got.err);
        readCnt = got.count;
        copyCnt += readCnt;
        WriteHexLines(out, lines, gDataBuf, readCnt);
        ShowProgress(copyCnt);
    } while (readCnt == DATA_MAX_SIZE && !OutputFailed(out));
    if (int err = CloseInput(fHandle); err != 0)
        FailOnInput(out, kReadInputFailed, name, path, err);
}

// The bytes the inputs hold, for the progress line; 0 where one is unknown.
uint64_t TotalSize(const char *const openName[], size_t numFiles) {
    uint64_t total = 0;
    for (size_t i = 0; i < numFiles; ++i) {
        uint64_t size = 0;
        if (openName[i] == nullptr || !RegularFileSize(openName[i], size))
            return 0;
        total += size;
    }
    return total;
}

void PrintReport(const char *const inFileName[], const char *outFileName, size_t numFiles) {
    for (size_t i = 0; i < numFiles; ++i)
        std::printf("Input%zu: %s\n", i, inFileName[i]);
    std::printf("Output: %s\n", outFileName);
}

} // namespace

bool MakeHeaderFile(const char *const inFileName[], const char *outFileName, size_t numFiles,
                    const char *const openName[]) {
    if (openName == nullptr)
        openName = inFileName;
    OutputFile out;
    BeginOutput(out, outFileName, ProgramName());
    ReportOutputNotes(out);
    HexLines lines{LINE_END_CRLF};
    WriteOutput(out, kHeaderStart, sizeof kHeaderStart - 1);
    const uint64_t bodyStart = OutputWritten(out);
    size_t copyCnt = 0;
    StartProgress(ProgramName(), ProgressCanShow() ? TotalSize(openName, numFiles) : 0);
    for (size_t i = 0; i < numFiles; ++i)
        GatherFile(inFileName[i], openName[i], out, lines, copyCnt);
    const uint64_t bodyEnd = OutputWritten(out);
    WriteOutput(out, kClosing, sizeof kClosing - 1);

    EndProgress(); // every input is read
    if (int err = OpenFinalOutput(out); err != 0)
        FailOnFile(out, kOpenOutputFailed, outFileName, OutputFailureReason(out, err));
    ReportOutputNotes(out);
    int commitErr = CommitOutput(out);
    ReportOutputNotes(out);
    bool committed = commitErr == 0;

    // The hex digits that reached the output: two per byte when all is well.
    // After a successful commit the count agrees by construction; the check
    // stays because its verdict is what users know, and it still catches a
    // body of the wrong length.
    uint64_t accepted = OutputAccepted(out);
    uint64_t bodyAccepted = accepted < bodyStart ? 0 : accepted - bodyStart;
    if (bodyAccepted > bodyEnd - bodyStart)
        bodyAccepted = bodyEnd - bodyStart;
    size_t tCnt = HexDigitsIn(static_cast<size_t>(bodyAccepted), LINE_END_CRLF);

    PrintReport(inFileName, outFileName, numFiles);
    bool generated = committed && (tCnt >> 1) == copyCnt;
    std::puts(generated ? "\nGenerated Header File succesfully.....!"
                        : "\nFile Generation Fail.....!");
    if (!committed)
        ReportFileError(outFileName, OutputFailureReason(out, commitErr).c_str());
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
