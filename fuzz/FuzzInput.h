#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as the program meets them: a reply arrives as Latin-1
// characters from the port, a file as UTF-8 text.
inline QByteArray FuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString FuzzLatin1(const uint8_t* data, size_t size)
{
    return QString::fromLatin1(FuzzBytes(data, size));
}

inline QString FuzzUtf8(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(FuzzBytes(data, size));
}

// A failed check ends the run with a crash the fuzzer reports.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            __builtin_trap();                                                                                          \
    } while (0)
