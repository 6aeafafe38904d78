// Windows: the text goes to a temporary file in the output's own folder,
// marked to vanish with its last handle, so that whatever ends the run (a
// failure, Ctrl-C, a closed console, a kill) leaves nothing behind. At the
// end it takes the output's name; where another program holds the output
// open and lets others write it, the text is written into it instead.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <vector>

#include "Blocks.h"
#include "OutputSteps.h"
#include "WideNames.h"

namespace {

const int kTries = 20; // a transient lock (a virus scanner) is waited out
const DWORD kPause = 50;

HANDLE HandleOf(const OutputFile &out) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(out.text));
}

bool DeleteOnClose(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO info{remove};
    return SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info) != 0;
}

HANDLE CreateTemporary(const std::wstring &target, const char *program) {
    size_t slash = target.find_last_of(L'\\');
    char name[TEMPORARY_NAME_SIZE];
    MakeTemporaryName(program, name);
    std::wstring path = target.substr(0, slash + 1) + Widen(name);
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenForWriting(const std::wstring &target) {
    return CreateFileW(target.c_str(), GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool RenameOver(HANDLE file, const std::wstring &target) {
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, target.c_str(), info->FileNameLength);
    return SetFileInformationByHandle(file, FileRenameInfo, info,
                                      static_cast<DWORD>(buffer.size())) != 0;
}

// The text copied into the output, which another program holds open and
// lets others write: what fopen("w") would do there.
bool WriteInto(HANDLE text, const std::wstring &target, DWORD &code) {
    HANDLE file = OpenForWriting(target);
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
DWORD Publish(HANDLE text, const std::wstring &target, DWORD keep) {
    if (keep != 0) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = keep;
        SetFileInformationByHandle(text, FileBasicInfo, &basic, sizeof basic);
    }
    DWORD code = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (!DeleteOnClose(text, false))
            return GetLastError();
        if (RenameOver(text, target))
            return ERROR_SUCCESS;
        code = GetLastError();
        DeleteOnClose(text, true);
        if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION)
            return code;
        if (WriteInto(text, target, code))
            return ERROR_SUCCESS;
        if (code != ERROR_SHARING_VIOLATION)
            return code;
        Sleep(kPause);
    }
    return code;
}

// The file that an existing output is, as the system finds it: the target
// of a symbolic link, whose link stays, and whether other names share it.
void FindExisting(OutputFile &out) {
    std::wstring path = Widen(out.atomic.target);
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info{};
    out.atomic.existed = GetFileInformationByHandle(file, &info) != 0;
    out.atomic.linked = out.atomic.existed && info.nNumberOfLinks > 1;
    std::vector<wchar_t> final(32768);
    DWORD len = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (len > 0 && len < final.size())
        out.atomic.target = Narrow(final.data());
    CloseHandle(file);
}

} // namespace

int SetUpAtomic(OutputFile &out) {
    out.atomic.target = SystemPathUtf8(out.path);
    FindExisting(out);
    std::wstring target = Widen(out.atomic.target);
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateTemporary(target, out.program);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE)
        return ErrnoFromWindows(GetLastError());
    if (!DeleteOnClose(file, true)) {
        DWORD code = GetLastError();
        CloseHandle(file); // a temporary file that would outlive a failure is none to use
        return ErrnoFromWindows(code);
    }
    out.text = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (out.text >= 0)
        return 0;
    CloseHandle(file);
    return EMFILE;
}

// What fopen("w") would refuse is refused: a read-only file, a folder, a
// file that can't be opened for writing. Hidden and system files, which it
// refuses too, keep those attributes instead. A missing file is created by
// the rename.
int CheckAtomicTarget(OutputFile &out) {
    std::wstring target = Widen(out.atomic.target);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND ? 0 : ErrnoFromWindows(code);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return EISDIR; // said as Linux says it, where the C runtime gives EACCES
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return EACCES;
    out.atomic.keep = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    for (int attempt = 0;; ++attempt) {
        HANDLE file = OpenForWriting(target);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return 0;
        }
        DWORD code = GetLastError();
        if (code != ERROR_SHARING_VIOLATION || attempt + 1 == kTries)
            return code == ERROR_FILE_NOT_FOUND ? 0 : ErrnoFromWindows(code);
        Sleep(kPause);
    }
}

int CommitAtomic(OutputFile &out) {
    DWORD code = ERROR_SUCCESS;
    if (out.atomic.linked) // in place, for every name it has
        WriteInto(HandleOf(out), Widen(out.atomic.target), code);
    else
        code = Publish(HandleOf(out), Widen(out.atomic.target), out.atomic.keep);
    return code == ERROR_SUCCESS ? 0 : ErrnoFromWindows(code);
}
