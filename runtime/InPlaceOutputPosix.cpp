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
#include "OutputState.h"
#include "Signals.h"

namespace {

char gBlock[READ_BLOCK_BYTES]; // the held text on its way in; zeros to reserve space

// Copies the held text into the output at its offset, counting what it took.
bool CopyIn(OutputFile &out) {
    for (;;) {
        long n = ReadFull(out.text, gBlock, sizeof gBlock);
        if (n <= 0)
            return n == 0;
        size_t done = WriteFull(out.final, gBlock, static_cast<size_t>(n));
        out.accepted += done;
        if (done != static_cast<size_t>(n))
            return false;
    }
}

// One writer at a time: parallel runs onto one output leave one whole text.
// A file system without locks is written as "w" would write it.
void LockOut(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET; // and length 0: the whole file
    while (fcntl(fd, F_OFD_SETLKW, &lock) != 0 && errno == EINTR) {
    }
}

// Grows the file to size with zeros from its end.
bool ExtendWithZeros(int fd, off_t from, uint64_t size) {
    std::memset(gBlock, 0, sizeof gBlock);
    if (lseek(fd, from, SEEK_SET) != from)
        return false;
    for (uint64_t at = static_cast<uint64_t>(from); at < size;) {
        size_t n = size - at < sizeof gBlock ? static_cast<size_t>(size - at) : sizeof gBlock;
        if (WriteFull(fd, gBlock, n) != n)
            return false;
        at += n;
    }
    return lseek(fd, 0, SEEK_SET) == 0;
}

// The new text's space, taken before the old bytes are touched: on a full
// disk they stay exactly as they were. (A file-size limit has already
// stopped the held text, which is as long.) Where the file system can't
// reserve, the file grows with zeros and is cut back if that fails.
bool Reserve(int fd, off_t oldSize, uint64_t size) {
    if (size == 0 || fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0)
        return true;
    if (errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL)
        return false;
    if (size <= static_cast<uint64_t>(oldSize) || ExtendWithZeros(fd, oldSize, size))
        return true;
    int err = errno;
    if (ftruncate(fd, oldSize) != 0) {
        // Nothing more to do: the old bytes are there, zeros after them.
    }
    errno = err;
    return false;
}

// What "w" does to a regular file, done only now, with the old bytes
// beyond the new text cut first, and a failed copy cut back to what went
// in: the file holds its old text, or a beginning of the new one.
bool ReplaceContents(OutputFile &out) {
    LockOut(out.final);
    struct stat st {};
    if (fstat(out.final, &st) != 0 || !Reserve(out.final, st.st_size, out.written))
        return false;
    sigset_t old = HoldSignals();
    bool whole = (static_cast<uint64_t>(st.st_size) <= out.written ||
                  ftruncate(out.final, static_cast<off_t>(out.written)) == 0) &&
                 CopyIn(out);
    if (!whole && out.accepted < out.written) {
        int err = errno;
        if (ftruncate(out.final, static_cast<off_t>(out.accepted)) != 0) {
            // The error that stopped the copy is the one to report.
        }
        errno = err;
    }
    ReleaseSignals(old);
    return whole;
}

bool CopyHeld(OutputFile &out) {
    if (lseek(out.text, 0, SEEK_SET) != 0)
        return false;
    if (out.plan == OutputPlan::Console) // its own text goes first, at its offset
        return std::fflush(stdout) == 0 && std::fflush(stderr) == 0 && CopyIn(out);
    struct stat st {};
    if (fstat(out.final, &st) != 0)
        return false;
    return S_ISREG(st.st_mode) ? ReplaceContents(out) : CopyIn(out);
}

} // namespace

// An unnamed file in the temporary folder holds the text until the end.
void BeginHolding(OutputFile &out, OutputPlan plan) {
    out.plan = plan;
    const char *folder = std::getenv("TMPDIR");
    out.holdFolder = folder == nullptr || folder[0] == '\0' ? "/tmp" : folder;
    out.text = open(out.holdFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (out.text < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::string pattern = out.holdFolder + "/.hdrtext.XXXXXX";
        sigset_t old = HoldSignals(); // named for no longer than this
        out.text = mkostemp(pattern.data(), O_CLOEXEC);
        if (out.text >= 0)
            unlink(pattern.c_str());
        ReleaseSignals(old);
    }
    if (out.text < 0) {
        out.err = errno;
        out.unheld = true;
    }
}

// Emptied only as the text goes in: see ReplaceContents.
bool OpenInPlace(OutputFile &out) {
    if (out.plan == OutputPlan::Console)
        return true;
    out.final = open(out.path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
    return out.final >= 0;
}

bool CommitHeld(OutputFile &out) {
    bool copied = CopyHeld(out);
    if (out.plan == OutputPlan::Console)
        return copied;
    int err = errno;
    int fd = out.final;
    out.final = -1;
    bool closed = CloseFd(fd);
    if (!copied)
        errno = err;
    return copied && closed;
}

void DropHeld(OutputFile &out) {
    if (out.text >= 0)
        CloseFd(out.text);
    if (out.final >= 0 && out.plan != OutputPlan::Console)
        CloseFd(out.final);
    out.text = out.final = -1;
}
