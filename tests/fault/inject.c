/* A preloaded library that makes the Nth call of a chosen function fail,
 * so that a test can walk a tool through every I/O failure in turn.
 *
 *   FAULT=call:N:errno[,call:N:errno...]   N counts from 1; 0 means every call
 *   FAULT_MARK=path                        created when a fault is injected
 *
 * An errno of 0 asks for a fault that is no failure: a read or write that
 * moves one byte less than asked, random bytes that are all zero. The call
 * "tmpfile" is an open of an unnamed file (O_TMPFILE). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

enum outcome { PASS, FAIL, BENIGN };

struct rule {
    char call[16];
    long at, seen;
    int err;
};

static struct rule rules[8];
static int rule_count = -1;

static void load_rules(void) {
    const char *text = getenv("FAULT");
    rule_count = 0;
    while (text != NULL && *text != '\0' && rule_count < 8) {
        struct rule *r = &rules[rule_count];
        size_t len = strcspn(text, ":");
        if (len == 0 || len >= sizeof r->call || text[len] != ':')
            break;
        memcpy(r->call, text, len);
        char *end;
        r->at = strtol(text + len + 1, &end, 10);
        r->err = *end == ':' ? (int)strtol(end + 1, &end, 10) : EIO;
        ++rule_count;
        text = *end == ',' ? end + 1 : NULL;
    }
}

/* The next definition of name: the C library's, or a sanitizer's. */
typedef void (*any_function)(void);
static any_function real(const char *name) {
    void *address = dlsym(RTLD_NEXT, name);
    any_function f;
    memcpy(&f, &address, sizeof f);
    return f;
}

static void mark(void) {
    const char *path = getenv("FAULT_MARK");
    if (path == NULL)
        return;
    int (*open_real)(const char *, int, ...) = (int (*)(const char *, int, ...))real("open");
    int (*close_real)(int) = (int (*)(int))real("close");
    int fd = open_real(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        close_real(fd);
}

static enum outcome hit(const char *call) {
    int saved = errno;
    if (rule_count < 0)
        load_rules();
    for (int i = 0; i < rule_count; ++i) {
        struct rule *r = &rules[i];
        if (strcmp(r->call, call) != 0 || (++r->seen != r->at && r->at != 0))
            continue;
        mark();
        errno = r->err != 0 ? r->err : saved;
        return r->err != 0 ? FAIL : BENIGN;
    }
    errno = saved;
    return PASS;
}

static int is_tmpfile(int flags) {
    return (flags & O_TMPFILE) == O_TMPFILE;
}

static mode_t mode_of(int flags, va_list args) {
    return (flags & O_CREAT) != 0 || is_tmpfile(flags) ? va_arg(args, mode_t) : 0;
}

static int open_checked(const char *call, int flags) {
    return (is_tmpfile(flags) && hit("tmpfile") == FAIL) || hit(call) == FAIL;
}

#define OPEN_WRAPPER(name)                                                                         \
    int name(const char *path, int flags, ...) {                                                   \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        mode_t mode = mode_of(flags, args);                                                        \
        va_end(args);                                                                              \
        if (open_checked("open", flags))                                                           \
            return -1;                                                                             \
        int (*f)(const char *, int, ...) = (int (*)(const char *, int, ...))real(#name);           \
        return f(path, flags, mode);                                                               \
    }
OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

#define OPENAT_WRAPPER(name)                                                                       \
    int name(int dirfd, const char *path, int flags, ...) {                                        \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        mode_t mode = mode_of(flags, args);                                                        \
        va_end(args);                                                                              \
        if (open_checked("openat", flags))                                                         \
            return -1;                                                                             \
        int (*f)(int, const char *, int, ...) = (int (*)(int, const char *, int, ...))real(#name); \
        return f(dirfd, path, flags, mode);                                                        \
    }
OPENAT_WRAPPER(openat)
OPENAT_WRAPPER(openat64)

/* Calls that either fail or run as asked. */
#define PLAIN_WRAPPER(ret, name, params, args)                                                     \
    ret name params {                                                                              \
        if (hit(#name) == FAIL)                                                                    \
            return -1;                                                                             \
        ret(*f) params = (ret(*) params)real(#name);                                               \
        return f args;                                                                             \
    }
PLAIN_WRAPPER(int, close, (int fd), (fd))
PLAIN_WRAPPER(int, renameat, (int a, const char *b, int c, const char *d), (a, b, c, d))
PLAIN_WRAPPER(int, linkat, (int a, const char *b, int c, const char *d, int e), (a, b, c, d, e))
PLAIN_WRAPPER(int, fchmod, (int fd, mode_t mode), (fd, mode))
PLAIN_WRAPPER(int, fchown, (int fd, uid_t uid, gid_t gid), (fd, uid, gid))
PLAIN_WRAPPER(int, ftruncate, (int fd, off_t len), (fd, len))
PLAIN_WRAPPER(off_t, lseek, (int fd, off_t off, int whence), (fd, off, whence))
PLAIN_WRAPPER(int, fstat, (int fd, struct stat *st), (fd, st))
PLAIN_WRAPPER(int, fremovexattr, (int fd, const char *name), (fd, name))

/* A benign fault moves one byte less. */
#define TRANSFER_WRAPPER(name, buffer)                                                             \
    ssize_t name(int fd, buffer buf, size_t n) {                                                   \
        enum outcome o = hit(#name);                                                               \
        if (o == FAIL)                                                                             \
            return -1;                                                                             \
        ssize_t (*f)(int, buffer, size_t) = (ssize_t(*)(int, buffer, size_t))real(#name);          \
        return f(fd, buf, o == BENIGN && n > 1 ? n - 1 : n);                                       \
    }
TRANSFER_WRAPPER(read, void *)
TRANSFER_WRAPPER(write, const void *)

ssize_t getrandom(void *buf, size_t n, unsigned flags) {
    enum outcome o = hit("getrandom");
    if (o == FAIL)
        return -1;
    if (o == BENIGN) {
        memset(buf, 0, n);
        return (ssize_t)n;
    }
    ssize_t (*f)(void *, size_t, unsigned) = (ssize_t(*)(void *, size_t, unsigned))real("getrandom");
    return f(buf, n, flags);
}
