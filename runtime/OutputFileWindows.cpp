// Windows: the text goes to a temporary file in the output's own folder,
// marked to vanish with its last handle, so that whatever ends the run (a
// failure, Ctrl-C, a closed console, a kill) leaves nothing behind. At the
// end it takes the output's name; where another program holds the output
// open and lets others write it, the text is written into it instead. A
// device (NUL, CON, COM1, ...) is written directly, as fopen would.
#define _CRT_RAND_S
#include "OutputFile.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <vector>

#include "Blocks.h"
#include "Console.h"
#include "Descriptor.h"
#include "OutputState.h"
#include "Progress.h"
#include "WideNames.h"

namespace {

std::wstring gTarget;  // the output, as the file APIs take it
DWORD gKeep = 0;       // the output's attributes that its replacement takes
const int kTries = 20; // a transient lock (a virus scanner) is waited out
const DWORD kPause = 50;

// A reserved device name: the last part of the path up to its first dot,
// whatever the case, or a path in the device namespace.
bool IsDevice(const std::string &path) {
    if (path.rfind("\\\\.\\", 0) == 0)
        return true;
    size_t slash = path.find_last_of("/\\:");
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char &c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char *const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char *name : kNames)
        if (base == name)
            return true;
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

HANDLE HandleOf(const OutputFile &out) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(out.text));
}

bool Fail(OutputFile &out, DWORD code) {
    out.err = ErrnoFromWindows(code);
    return false;
}

// Takes a descriptor for the handle, which it then owns.
bool Adopt(OutputFile &out, HANDLE file) {
    out.text = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (out.text >= 0)
        return true;
    CloseHandle(file);
    out.err = EMFILE;
    return false;
}

bool BeginDevice(OutputFile &out) {
    HANDLE device =
        CreateFileW(SystemPath(out.path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return Fail(out, GetLastError());
    out.plan = OutputPlan::InPlace;
    return Adopt(out, device);
}

bool DeleteOnClose(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO info{remove};
    return SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info) != 0;
}

// ".Trelvic." and six characters nobody can guess, beside the output.
std::wstring TemporaryName() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = std::string(".") + ProgramName() + ".";
    for (int i = 0; i < 6; ++i) {
        unsigned int random = 0;
        rand_s(&random);
        name += kChars[random % (sizeof kChars - 1)];
    }
    size_t slash = gTarget.find_last_of(L'\\');
    return gTarget.substr(0, slash + 1) + Widen(name);
}

bool BeginTemporary(OutputFile &out) {
    gTarget = SystemPath(out.path);
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(TemporaryName().c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE)
        return Fail(out, GetLastError());
    if (!DeleteOnClose(file, true)) {
        DWORD code = GetLastError();
        CloseHandle(file); // a temporary file that would outlive a failure is none to use
        return Fail(out, code);
    }
    out.plan = OutputPlan::Atomic;
    return Adopt(out, file);
}

// What fopen("w") would refuse is refused: a read-only file, a folder, a
// file that can't be opened for writing. Hidden and system files, which it
// refuses too, keep those attributes instead.
bool CheckTarget() {
    DWORD attributes = GetFileAttributesW(gTarget.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD code = GetLastError();
        errno = ErrnoFromWindows(code);
        return code == ERROR_FILE_NOT_FOUND; // the rename creates it
    }
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        errno = EACCES;
        return false;
    }
    gKeep = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    for (int attempt = 0;; ++attempt) {
        HANDLE file = CreateFileW(gTarget.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        DWORD code = GetLastError();
        if (code != ERROR_SHARING_VIOLATION || attempt + 1 == kTries) {
            errno = ErrnoFromWindows(code);
            return code == ERROR_FILE_NOT_FOUND;
        }
        Sleep(kPause);
    }
}

bool RenameOver(HANDLE file) {
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + gTarget.size() * sizeof(wchar_t));
    auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->FileNameLength = static_cast<DWORD>(gTarget.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, gTarget.c_str(), info->FileNameLength);
    return SetFileInformationByHandle(file, FileRenameInfo, info,
                                      static_cast<DWORD>(buffer.size())) != 0;
}

// The text copied into the output, which another program holds open and
// lets others write: what fopen("w") would do there.
bool WriteInto(HANDLE text, DWORD &code) {
    HANDLE file = CreateFileW(gTarget.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        code = GetLastError();
        return false;
    }
    static char block[READ_BLOCK_BYTES];
    LARGE_INTEGER start{};
    bool copied = SetFilePointerEx(text, start, nullptr, FILE_BEGIN) != 0;
    DWORD got = 0, put = 0;
    while (copied && ReadFile(text, block, sizeof block, &got, nullptr) && got != 0)
        copied = WriteFile(file, block, got, &put, nullptr) && put == got;
    copied = copied && SetEndOfFile(file);
    code = copied ? ERROR_SUCCESS : GetLastError();
    return CloseHandle(file) && copied;
}

// Renamed over the output; written into it where it is held open with
// write sharing; tried again for a while where it is locked.
bool Publish(HANDLE text, DWORD &code) {
    if (gKeep != 0) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = gKeep;
        SetFileInformationByHandle(text, FileBasicInfo, &basic, sizeof basic);
    }
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (!DeleteOnClose(text, false)) {
            code = GetLastError();
            return false;
        }
        if (RenameOver(text))
            return true;
        code = GetLastError();
        DeleteOnClose(text, true);
        if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION)
            return false;
        if (WriteInto(text, code))
            return true;
        if (code != ERROR_SHARING_VIOLATION)
            return false;
        Sleep(kPause);
    }
    return false;
}

} // namespace

OutputFile &BeginOutput(const char *path) {
    static OutputFile out;
    out = OutputFile{};
    out.path = path;
    if (IsDevice(out.path))
        BeginDevice(out);
    else
        BeginTemporary(out);
    return out;
}

bool OpenFinalOutput(OutputFile &out) {
    EndProgress(); // every input is read
    if (out.plan == OutputPlan::Failed) {
        errno = out.err;
        return false;
    }
    return out.plan != OutputPlan::Atomic || CheckTarget();
}

bool CommitOutput(OutputFile &out) {
    DWORD code = ERROR_SUCCESS;
    if (out.err == 0 && out.plan == OutputPlan::Atomic && !Publish(HandleOf(out), code))
        out.err = ErrnoFromWindows(code);
    if (!CloseFd(out.text) && out.err == 0)
        out.err = errno;
    out.text = -1;
    if (out.err == 0)
        out.accepted = out.written;
    errno = out.err;
    return out.err == 0;
}

void AbandonOutput(OutputFile &out) {
    EndProgress();
    if (out.text >= 0)
        CloseFd(out.text); // the temporary file goes with it
    out.text = -1;
}
