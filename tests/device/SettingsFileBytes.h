#ifndef GLINTVIEW_TESTS_SETTINGSFILEBYTES_H
#define GLINTVIEW_TESTS_SETTINGSFILEBYTES_H

// glintview.tmp files built and read by hand, independent of the codec.

#include "support/FileBytes.h"

#include <cstdint>

inline void putLe32(QByteArray &b, int offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[offset + i] = char((v >> (8 * i)) & 0xFF);
}

inline QByteArray settingsFile(const QString &path, uint32_t raw, uint32_t baud, uint32_t flow,
                               uint32_t commStd, bool saveBest = true)
{
    QByteArray b(544, '\0');
    putLe32(b, 0, 32);
    b[4] = saveBest ? 1 : 0;
    for (int i = 0; i < path.size(); ++i) {
        b[8 + 2 * i] = char(path[i].unicode() & 0xFF);
        b[9 + 2 * i] = char(path[i].unicode() >> 8);
    }
    putLe32(b, 528, raw);
    putLe32(b, 532, baud);
    putLe32(b, 536, flow);
    putLe32(b, 540, commStd);
    return b;
}

#endif
