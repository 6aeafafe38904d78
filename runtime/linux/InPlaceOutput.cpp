// Writing in place: the text is held in $TMPDIR until every input is read,
// then copied into the output through the path as given. A regular file is
// emptied only once the space for the new text is reserved and other
// writers are locked out, and no catchable signal cuts the copy short.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Blocks.h"
#include "Descriptor.h"
#include "OutputSteps.h"
#include "Signals.h"

namespace {

char gBlock[READ_BLOCK_BYTES]; // the held text on its way in; zeros to reserve space

// The reason a call that returned no reason of its own failed.
int LastError() {
    return errno != 0 ? errno : EIO;
}

// Copies the held text into the output at its offset, counting what it took.
int CopyIn(OutputFile &out) {
    for (;;) {
        Transfer got = ReadFull(out.text, gBlock, sizeof gBlock);
        if (got.err != 0 || got.count == 0)
            return got.err;
        Transfer put = WriteFull(out.held.final, gBlock, got.count);
        out.accepted += put.count;
        if (put.err != 0)
            return put.err;
    }
}

// One writer at a time: parallel runs onto one output leave one whole text.
// A file system without locks is written as "w" would write it.
int Lock(int fd, int how) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET; // and length 0: the whole file
    int result;
    while ((result = fcntl(fd, how, &lock)) != 0 && errno == EINTR) {
    }
    return result == 0 ? 0 : errno;
}

// Tries for a short moment, so that a writer about to finish is waited out
// without a word. False while another program holds the lock.
bool TryLock(int fd) {
    for (int attempt = 0; attempt < 25; ++attempt) {
        int err = Lock(fd, F_OFD_SETLK);
        if (err != EAGAIN && err != EACCES)
            return true;
        usleep(10000);
    }
    return false;
}

// Grows the file to size with zeros from its end.
int ExtendWithZeros(int fd, off_t from, uint64_t size) {
    std::memset(gBlock, 0, sizeof gBlock);
    if (lseek(fd, from, SEEK_SET) != from)
        return LastError();
    for (uint64_t at = static_cast<uint64_t>(from); at < size;) {
        size_t n = size - at < sizeof gBlock ? static_cast<size_t>(size - at) : sizeof gBlock;
        if (int err = WriteFull(fd, gBlock, n).err; err != 0)
            return err;
        at += n;
    }
    return lseek(fd, 0, SEEK_SET) == 0 ? 0 : LastError();
}

// The new text's space, taken before the old bytes are touched: on a full
// disk they stay exactly as they were. (A file-size limit has already
// stopped the held text, which is as long.) Where the file system can't
// reserve, the file grows with zeros and is cut back if that fails.
int Reserve(int fd, off_t oldSize, uint64_t size) {
    if (size == 0 || fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0)
        return 0;
    if (errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL)
        return errno;
    if (size <= static_cast<uint64_t>(oldSize))
        return 0;
    int err = ExtendWithZeros(fd, oldSize, size);
    if (err != 0 && ftruncate(fd, oldSize) != 0) {
        // Nothing more to do: the old bytes are there, zeros after them.
    }
    return err;
}

// What "w" does to a regular file whose space is reserved, with the old
// bytes beyond the new text cut first, and a failed copy cut back to what
// went in: the file holds its old text, or a beginning of the new one.
int Overwrite(OutputFile &out, off_t oldSize) {
    int fd = out.held.final;
    int err = 0;
    if (static_cast<uint64_t>(oldSize) > out.written &&
        ftruncate(fd, static_cast<off_t>(out.written)) != 0)
        err = errno;
    if (err == 0)
        err = CopyIn(out);
    if (err != 0 && out.accepted < out.written &&
        ftruncate(fd, static_cast<off_t>(out.accepted)) != 0) {
        // The failure that stopped the copy is the one to report.
    }
    return err;
}

// Signals are held from the first byte that changes the file, reserving
// space included, which may grow it with zeros, to the last.
int ReplaceContents(OutputFile &out) {
    int fd = out.held.final;
    if (!out.held.locked)
        Lock(fd, F_OFD_SETLKW); // another writer: the caller said so at the open
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return errno;
    sigset_t old = HoldSignals();
    int err = Reserve(fd, st.st_size, out.written);
    if (err == 0)
        err = Overwrite(out, st.st_size);
    ReleaseSignals(old);
    return err;
}

int CopyHeld(OutputFile &out) {
    if (lseek(out.text, 0, SEEK_SET) != 0)
        return LastError();
    if (out.plan == OutputPlan::Console) { // its own text goes first, at its offset
        errno = 0;
        if (std::fflush(stdout) != 0 || std::fflush(stderr) != 0)
            return LastError();
        return CopyIn(out);
    }
    struct stat st {};
    if (fstat(out.held.final, &st) != 0)
        return errno;
    return S_ISREG(st.st_mode) ? ReplaceContents(out) : CopyIn(out);
}

// An unnamed file, or one named for no longer than it takes to unlink it.
int OpenHoldingFile(const std::string &folder, int &fd) {
    fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return 0;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return errno;
    std::string pattern = folder + "/.hdrtext.XXXXXX";
    sigset_t old = HoldSignals();
    fd = mkostemp(pattern.data(), O_CLOEXEC);
    int err = fd < 0 ? errno : 0;
    if (fd >= 0)
        unlink(pattern.c_str());
    ReleaseSignals(old);
    return err;
}

} // namespace

// An unnamed file in the temporary folder holds the text until the end.
void BeginHolding(OutputFile &out, OutputPlan plan) {
    out.plan = plan;
    const char *folder = std::getenv("TMPDIR");
    out.held.folder = folder == nullptr || folder[0] == '\0' ? "/tmp" : folder;
    out.err = OpenHoldingFile(out.held.folder, out.text);
    out.unheld = out.err != 0;
}

// Emptied only as the text goes in: see ReplaceContents. A regular file is
// locked against other writers from now on, where none holds it.
int OpenInPlace(OutputFile &out) {
    if (out.plan == OutputPlan::Console)
        return 0;
    out.held.final = open(out.path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
    if (out.held.final < 0)
        return errno;
    struct stat st {};
    if (fstat(out.held.final, &st) == 0 && S_ISREG(st.st_mode)) {
        out.held.locked = TryLock(out.held.final);
        out.held.contended = !out.held.locked;
    }
    return 0;
}

int CommitHeld(OutputFile &out) {
    int err = CopyHeld(out);
    if (out.plan == OutputPlan::Console)
        return err;
    int fd = out.held.final;
    out.held.final = -1;
    int closed = CloseFd(fd);
    return err != 0 ? err : closed;
}

void DropHeld(OutputFile &out) {
    if (out.text >= 0)
        CloseFd(out.text);
    if (out.held.final >= 0 && out.plan != OutputPlan::Console)
        CloseFd(out.held.final);
    out.text = out.held.final = -1;
}
