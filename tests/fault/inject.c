/* Preloaded into a tool, makes the Nth call of a chosen function fail.
 *   FAULT=call:N:errno[,...]  N counts from 1, 0 is every call; errno 0 is a
 *                             fault that is no failure: a read or write of
 *                             one byte less, random bytes all zero
 *   FAULT_MARK=path           created once a fault is injected
 * "tmpfile" counts the opens of unnamed files (O_TMPFILE). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum outcome { PASS, FAIL, BENIGN };
static struct rule {
    char call[16];
    long at, seen;
    int err;
} rules[8];
static int rule_count = -1;

static void load_rules(void) {
    const char *text = getenv("FAULT");
    for (rule_count = 0; text != NULL && rule_count < 8; ++rule_count) {
        struct rule *r = &rules[rule_count];
        size_t len = strcspn(text, ":");
        if (len == 0 || len >= sizeof r->call || text[len] != ':')
            break;
        memcpy(r->call, text, len);
        char *end;
        r->at = strtol(text + len + 1, &end, 10);
        r->err = *end == ':' ? (int)strtol(end + 1, &end, 10) : EIO;
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

static enum outcome hit(const char *call) {
    int saved = errno;
    if (rule_count < 0)
        load_rules();
    for (struct rule *r = rules; r < rules + rule_count; ++r) {
        if (strcmp(r->call, call) != 0 || (++r->seen != r->at && r->at != 0))
            continue;
        const char *mark = getenv("FAULT_MARK");
        if (mark != NULL)
            ((int (*)(int))real("close"))(
                ((int (*)(const char *, int, ...))real("open"))(mark, O_WRONLY | O_CREAT, 0600));
        errno = r->err != 0 ? r->err : saved;
        return r->err != 0 ? FAIL : BENIGN;
    }
    errno = saved;
    return PASS;
}

#define OPEN_WRAPPER(name, params, args)                                                           \
    int name params {                                                                              \
        va_list list;                                                                              \
        va_start(list, flags);                                                                     \
        int tmp = (flags & O_TMPFILE) == O_TMPFILE;                                                \
        mode_t mode = (flags & O_CREAT) != 0 || tmp ? va_arg(list, mode_t) : 0;                    \
        va_end(list);                                                                              \
        if ((tmp && hit("tmpfile") == FAIL) || hit(#name) == FAIL)                                 \
            return -1;                                                                             \
        return ((int(*) params)real(#name))args;                                                   \
    }
OPEN_WRAPPER(open, (const char *path, int flags, ...), (path, flags, mode))
OPEN_WRAPPER(openat, (int dir, const char *path, int flags, ...), (dir, path, flags, mode))

/* Calls that fail, or run as asked; a benign fault moves one byte less. */
#define WRAPPER(ret, name, params, args, benign)                                                   \
    ret name params {                                                                              \
        enum outcome o = hit(#name);                                                               \
        if (o == FAIL)                                                                             \
            return -1;                                                                             \
        benign;                                                                                    \
        return ((ret(*) params)real(#name))args;                                                   \
    }
#define SHORTER(n) n = o == BENIGN && n > 1 ? n - 1 : n
WRAPPER(ssize_t, read, (int fd, void *buf, size_t n), (fd, buf, n), SHORTER(n))
WRAPPER(ssize_t, write, (int fd, const void *buf, size_t n), (fd, buf, n), SHORTER(n))
WRAPPER(
    ssize_t, getrandom, (void *buf, size_t n, unsigned flags), (buf, n, flags), if (o == BENIGN) {
        memset(buf, 0, n);
        return (ssize_t)n;
    })
WRAPPER(int, renameat, (int a, const char *b, int c, const char *d), (a, b, c, d), )
WRAPPER(int, linkat, (int a, const char *b, int c, const char *d, int e), (a, b, c, d, e), )
WRAPPER(int, fchmod, (int fd, mode_t mode), (fd, mode), )
WRAPPER(int, fchown, (int fd, uid_t uid, gid_t gid), (fd, uid, gid), )
WRAPPER(int, ftruncate, (int fd, off_t len), (fd, len), )
WRAPPER(off_t, lseek, (int fd, off_t off, int whence), (fd, off, whence), )
WRAPPER(int, fstat, (int fd, struct stat *st), (fd, st), )
WRAPPER(int, fremovexattr, (int fd, const char *name), (fd, name), )

/* A failed close loses what was written, as on a network file system, and
 * releases the descriptor all the same. */
int close(int fd) {
    int (*close_real)(int) = (int (*)(int))real("close");
    if (hit("close") != FAIL)
        return close_real(fd);
    int err = errno;
    if ((fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDONLY)
        ((int (*)(int, off_t))real("ftruncate"))(fd, 0);
    close_real(fd);
    errno = err;
    return -1;
}
