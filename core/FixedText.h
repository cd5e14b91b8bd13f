#ifndef GLINTVIEW_FIXEDTEXT_H
#define GLINTVIEW_FIXEDTEXT_H

// Fixed-size text fields (device names 100 bytes, IDs 32, status 256, paths
// 300) keep their limits where the operator can see them; these helpers make
// every copy into or out of such a field bounded and NUL-terminated.

#include <QByteArray>
#include <cstddef>
#include <cstring>

namespace FixedText {

// Length of a text that may lack its terminating zero within `size` bytes.
inline std::size_t boundedLength(const char *field, std::size_t size)
{
    if (!field)
        return 0;
    const void *nul = std::memchr(field, 0, size);
    return nul ? static_cast<std::size_t>(static_cast<const char *>(nul) - field) : size;
}

// The text of a field filled by someone else, read no further than its size.
inline QByteArray read(const char *field, std::size_t size)
{
    return QByteArray(field, static_cast<qsizetype>(boundedLength(field, size)));
}

template <std::size_t N>
inline QByteArray read(const char (&field)[N])
{
    return read(field, N);
}

// Copies at most size-1 bytes and terminates; returns false when the text was cut.
inline bool copy(char *dst, std::size_t size, const char *src, std::size_t srcLength)
{
    if (!dst || size == 0)
        return false;
    const std::size_t n = srcLength < size - 1 ? srcLength : size - 1;
    if (n)
        std::memmove(dst, src, n);
    std::memset(dst + n, 0, size - n);
    return n == srcLength;
}

template <std::size_t N>
inline bool copy(char (&dst)[N], const QByteArray &src)
{
    return copy(dst, N, src.constData(), static_cast<std::size_t>(src.size()));
}

template <std::size_t N>
inline bool copy(char (&dst)[N], const char *src)
{
    return copy(dst, N, src, src ? std::strlen(src) : 0);
}

// Byte-wise equality of two terminated fields (as the device compares names).
template <std::size_t N>
inline bool equals(const char (&a)[N], const char (&b)[N])
{
    return read(a) == read(b);
}

} // namespace FixedText

#endif
