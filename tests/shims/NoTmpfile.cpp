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

#define QVJ_UNPAREN(...) __VA_ARGS__

// An open whose arguments before the flags are params, passed on as the rest.
#define QVJ_SHIM(name, params, ...)                                                                \
    extern "C" int name(QVJ_UNPAREN params, int flags, ...)                                        \
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
        static const auto next = Next<int (*)(QVJ_UNPAREN params, int, ...)>(#name);               \
        return next(__VA_ARGS__, flags, mode);                                                     \
    }

QVJ_SHIM(open, (const char *path), path)
QVJ_SHIM(open64, (const char *path), path)
QVJ_SHIM(openat, (int dirfd, const char *path), dirfd, path)
QVJ_SHIM(openat64, (int dirfd, const char *path), dirfd, path)
