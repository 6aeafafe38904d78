// How an output is written, decided in this one place from what its path
// leads to, and each step handed to the plan's own code.
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "OutputSteps.h"

namespace {

bool SameFile(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsNullDevice(const struct stat &st) {
    return S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3);
}

// The standard descriptor, output first, that already writes this file.
int ConsoleDescriptorOf(const struct stat &st) {
    for (int fd : {1, 2}) {
        struct stat console {};
        if (fstat(fd, &console) == 0 && SameFile(st, console))
            return fd;
    }
    return -1;
}

// What the path leads to through its symbolic links, each relative to its
// own folder. The kernel has the last word: where it sees another file, or
// none, or the way there can't be followed here (a /proc link, a change
// meanwhile), the path is written in place, and opening it says the rest.
enum class Target { New, Existing, Unclear, Failed };

Target FollowLinks(const std::string &path, const struct stat *followed, std::string &target,
                   struct stat &st) {
    target = path;
    for (int hops = 0; hops <= 40; ++hops) {
        if (target.rfind("/proc/", 0) == 0) // a descriptor's link names no path to replace
            return Target::Unclear;
        if (lstat(target.c_str(), &st) != 0)
            return errno == ENOENT && followed == nullptr ? Target::New : Target::Unclear;
        if (!S_ISLNK(st.st_mode))
            return followed != nullptr && SameFile(st, *followed) ? Target::Existing
                                                                  : Target::Unclear;
        char link[PATH_MAX];
        ssize_t len = readlink(target.c_str(), link, sizeof link);
        if (len <= 0 || static_cast<size_t>(len) >= sizeof link)
            return Target::Unclear;
        std::string next(link, static_cast<size_t>(len));
        size_t slash = target.rfind('/');
        target = next[0] == '/' || slash == std::string::npos ? next
                                                              : target.substr(0, slash + 1) + next;
    }
    return Target::Failed; // too many links to follow: ELOOP
}

// A regular file with one name, which the caller may give away: root, or
// its owner.
bool Replaceable(const struct stat &st) {
    uid_t caller = geteuid();
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && (caller == 0 || st.st_uid == caller);
}

void Fail(OutputFile &out, int err) {
    out.plan = OutputPlan::Failed;
    out.err = err;
}

// Atomic where the path leads to no file, or to one that a new file can
// replace; in place where a reason of design says so, or nothing is clear.
void PlanFile(OutputFile &out, const struct stat *followed) {
    std::string target;
    struct stat st {};
    Setup setup = Setup::InPlace;
    int err = 0;
    switch (FollowLinks(out.path, followed, target, st)) {
    case Target::New:
        setup = SetUpAtomic(out, target, nullptr, err);
        break;
    case Target::Existing:
        if (Replaceable(st))
            setup = SetUpAtomic(out, target, &st, err);
        break;
    case Target::Unclear:
        break;
    case Target::Failed:
        Fail(out, ELOOP);
        return;
    }
    if (setup == Setup::Ready) {
        out.plan = OutputPlan::Atomic;
        return;
    }
    DropAtomic(out);
    if (setup == Setup::Failed)
        Fail(out, err);
    else
        BeginHolding(out, OutputPlan::InPlace);
}

} // namespace

void BeginOutput(OutputFile &out, const char *path, const char *program) {
    out.path = path;
    out.program = program;
    // A path the kernel can't follow (a loop, a file on the way, a link it
    // refuses in a sticky folder) fails as opening it would.
    struct stat st {};
    bool exists = stat(path, &st) == 0;
    if (!exists && errno != ENOENT) {
        Fail(out, errno);
    } else if (exists && IsNullDevice(st)) {
        out.plan = OutputPlan::Discard;
    } else if (int console = exists ? ConsoleDescriptorOf(st) : -1; console >= 0) {
        BeginHolding(out, OutputPlan::Console);
        out.held.final = console;
    } else {
        PlanFile(out, exists ? &st : nullptr);
    }
}

int OpenFinalOutput(OutputFile &out) {
    switch (out.plan) {
    case OutputPlan::Discard:
        return 0;
    case OutputPlan::Atomic: // a failed write shows at the commit
        return CheckAtomicTarget(out);
    case OutputPlan::Failed:
        return out.err != 0 ? out.err : EIO;
    default:
        return out.err != 0 ? out.err : OpenInPlace(out);
    }
}

int CommitOutput(OutputFile &out) {
    int err = out.err;
    if (err == 0 && out.plan == OutputPlan::Atomic)
        err = CommitAtomic(out);
    else if (err == 0 && out.plan == OutputPlan::Failed)
        err = EIO;
    else if (err == 0 && out.plan != OutputPlan::Discard)
        err = CommitHeld(out);
    out.err = err;
    if (err == 0)
        out.accepted = out.written;
    AbandonOutput(out);
    return err;
}

void AbandonOutput(OutputFile &out) {
    if (out.plan == OutputPlan::Atomic)
        DropAtomic(out);
    else
        DropHeld(out);
}
