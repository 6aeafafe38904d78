/* Preloaded into a tool, fails the calls that the FAULT rules choose, or
 * pauses or resizes at them. The rule language is described, with
 * examples, in tests/README.md. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum outcome { PASS, FAIL, BENIGN };
enum { PAUSE = -1, RESIZE = -2 };
static struct rule {
    char call[16];
    long at, seen;
    int err, onward, fd;
    long size;
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
        char *at = strchr(r->call, '@');
        r->fd = at != NULL ? atoi(at + 1) : -1;
        if (at != NULL)
            *at = '\0';
        char *end;
        r->at = strtol(text + len + 1, &end, 10);
        r->onward = *end == '+';
        end += r->onward;
        if (strncmp(end, ":pause", 6) == 0) {
            r->err = PAUSE;
            end += 6;
        } else if (strncmp(end, ":size", 5) == 0) {
            r->err = RESIZE;
            r->size = strtol(end + 5, &end, 10);
        } else {
            r->err = *end == ':' ? (int)strtol(end + 1, &end, 10) : EIO;
        }
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

typedef int (*open_function)(const char *, int, ...);
typedef int (*close_function)(int);

static void touch(const char *path, int flags) {
    if (path != NULL)
        ((close_function)real("close"))(((open_function)real("open"))(path, flags, 0600));
}

static enum outcome hit_on(const char *call, int fd) {
    int saved = errno;
    if (rule_count < 0)
        load_rules();
    for (struct rule *r = rules; r < rules + rule_count; ++r) {
        if (strcmp(r->call, call) != 0 || (r->fd >= 0 && r->fd != fd))
            continue;
        ++r->seen;
        if (r->seen != r->at && r->at != 0 && !(r->onward && r->seen > r->at))
            continue;
        if (r->at != 0) /* a rule for every call is the background, not the fault */
            touch(getenv("FAULT_MARK"), O_WRONLY | O_CREAT);
        if (r->err == PAUSE) {
            touch(getenv("FAULT_RESUME"), O_RDONLY); /* blocks until the test writes */
            break;
        }
        if (r->err == RESIZE) { /* the file that descriptor reads, through /proc */
            char proc[32];
            snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
            int file = ((open_function)real("open"))(proc, O_WRONLY);
            ((int (*)(int, off_t))real("ftruncate"))(file, r->size);
            ((close_function)real("close"))(file);
            break;
        }
        errno = r->err != 0 ? r->err : saved;
        return r->err != 0 ? FAIL : BENIGN;
    }
    errno = saved;
    return PASS;
}

static enum outcome hit(const char *call) {
    return hit_on(call, -1);
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
#define WRAPPER_ON(fd, ret, name, params, args, benign)                                            \
    ret name params {                                                                              \
        enum outcome o = hit_on(#name, fd);                                                        \
        if (o == FAIL)                                                                             \
            return -1;                                                                             \
        benign;                                                                                    \
        return ((ret(*) params)real(#name))args;                                                   \
    }
#define WRAPPER(ret, name, params, args, benign) WRAPPER_ON(-1, ret, name, params, args, benign)
#define SHORTER(n) n = o == BENIGN && n > 1 ? n - 1 : n
/* Descriptors written since they were opened: what a failed close loses. */
static unsigned char written[4096];
#define MARK_WRITTEN (unsigned)fd < sizeof written ? written[fd] = 1 : 0

WRAPPER_ON(fd, ssize_t, read, (int fd, void *buf, size_t n), (fd, buf, n), SHORTER(n))
WRAPPER_ON(fd, ssize_t, write, (int fd, const void *buf, size_t n), (fd, buf, n), SHORTER(n);
           MARK_WRITTEN)
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
WRAPPER(int, fsetxattr, (int fd, const char *name, const void *value, size_t size, int flags),
        (fd, name, value, size, flags), )
WRAPPER(int, fallocate, (int fd, int mode, off_t off, off_t len), (fd, mode, off, len), )
WRAPPER(int, unlinkat, (int dir, const char *path, int flags), (dir, path, flags), )

/* A failed close loses what was written through it, as on a network file
 * system, and releases the descriptor all the same. */
int close(int fd) {
    close_function close_real = (close_function)real("close");
    int lost = (unsigned)fd < sizeof written && written[fd];
    if ((unsigned)fd < sizeof written)
        written[fd] = 0;
    if (hit("close") != FAIL)
        return close_real(fd);
    int err = errno;
    if (lost)
        ((int (*)(int, off_t))real("ftruncate"))(fd, 0);
    close_real(fd);
    errno = err;
    return -1;
}
