#pragma once
// The entry point every fuzz target defines: libFuzzer calls it with generated inputs, the
// replay driver with each file of the target's corpus. A fault shows as a crash or a failed
// FUZZ_CHECK, which aborts so that both drivers report it.

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// The input as bytes, and its parts split at the first zero bytes.
inline QByteArray FuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}
