#ifndef GLINTVIEW_TESTS_FULLDISK_H
#define GLINTVIEW_TESTS_FULLDISK_H

// A stand-in for write(2) on a disk that holds `capacity` more bytes: the
// write that reaches the limit is cut short (as the kernel does), the next
// one answers ENOSPC. `failWith` other than ENOSPC fails the first write with
// that error; EINTR fails it once and then lets everything through. With
// `failWith` 0 a full disk answers 0 instead (nothing written, no error),
// and after kZeroAnswers of those takes bytes again, so that a writer which
// retries on 0 saves in the end rather than spinning for ever.

#include <QtGlobal>
#include <cerrno>
#include <functional>
#include <unistd.h>

struct FullDisk {
    qint64 capacity = 0;
    int failWith = ENOSPC;
    qint64 calls = 0;
    static constexpr qint64 kZeroAnswers = 1000;

    std::function<qint64(int, const char *, qint64)> writer()
    {
        return [this](int fd, const char *data, qint64 size) -> qint64 {
            if (calls++ == 0 && failWith != ENOSPC && failWith != 0) {
                errno = failWith;
                return -1;
            }
            if (failWith == EINTR)
                return ::write(fd, data, size_t(size));
            const qint64 n = qMin(size, capacity);
            if (n <= 0 && failWith == 0)
                return calls > kZeroAnswers ? ::write(fd, data, size_t(size)) : 0;
            if (n <= 0) {
                errno = ENOSPC;
                return -1;
            }
            capacity -= n;
            return ::write(fd, data, size_t(n));
        };
    }
};

#endif
