// Preloaded into a program to make its file system look like one that cannot make nameless
// files (vfat, many network and FUSE file systems): every open with O_TMPFILE fails with
// EOPNOTSUPP; every other open goes through unchanged.
#include <cerrno>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>

namespace {

bool Nameless(int flags)
{
    return (flags & O_TMPFILE) == O_TMPFILE;
}

bool TakesMode(int flags)
{
    return (flags & O_CREAT) != 0 || Nameless(flags);
}

template<typename Fn> Fn Next(const char *name)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

} // namespace

#define QVJ_OPEN_SHIM(name)                                                                        \
    extern "C" int name(const char *path, int flags, ...)                                          \
    {                                                                                              \
        if (Nameless(flags)) {                                                                     \
            errno = EOPNOTSUPP;                                                                    \
            return -1;                                                                             \
        }                                                                                          \
        mode_t mode = 0;                                                                           \
        if (TakesMode(flags)) {                                                                    \
            va_list ap;                                                                            \
            va_start(ap, flags);                                                                   \
            mode = va_arg(ap, mode_t);                                                             \
            va_end(ap);                                                                            \
        }                                                                                          \
        static const auto next = Next<int (*)(const char *, int, ...)>(#name);                     \
        return next(path, flags, mode);                                                            \
    }

#define QVJ_OPENAT_SHIM(name)                                                                      \
    extern "C" int name(int dirfd, const char *path, int flags, ...)                               \
    {                                                                                              \
        if (Nameless(flags)) {                                                                     \
            errno = EOPNOTSUPP;                                                                    \
            return -1;                                                                             \
        }                                                                                          \
        mode_t mode = 0;                                                                           \
        if (TakesMode(flags)) {                                                                    \
            va_list ap;                                                                            \
            va_start(ap, flags);                                                                   \
            mode = va_arg(ap, mode_t);                                                             \
            va_end(ap);                                                                            \
        }                                                                                          \
        static const auto next = Next<int (*)(int, const char *, int, ...)>(#name);                \
        return next(dirfd, path, flags, mode);                                                     \
    }

QVJ_OPEN_SHIM(open)
QVJ_OPEN_SHIM(open64)
QVJ_OPENAT_SHIM(openat)
QVJ_OPENAT_SHIM(openat64)
