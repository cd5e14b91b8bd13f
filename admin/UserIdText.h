#ifndef GLINTVIEW_USERIDTEXT_H
#define GLINTVIEW_USERIDTEXT_H

// User IDs between the operator and the camera: the ID lists the library
// hands out, copied bounded before the next call can replace them, and the
// IDs the operator types, encoded and checked against the camera's 32-byte
// field (31 bytes and the terminating zero) before any call sees them.

#include "zeph/zeph.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class UserIdText
{
public:
    // Bytes an ID may take in the camera's field, the terminator aside.
    static constexpr int kMaxBytes = ZEPH_ID_SIZE - 1;
    // More entries than any gallery holds: a count above it is not believed.
    static constexpr int32_t kMaxListEntries = 100000;

    enum Encoding { Latin1, Local8Bit };

    // Copies `count` IDs out of the library's array, each read no further
    // than its field (32 bytes) and decoded as Latin-1. A null array, a
    // negative count or a null entry gives no entries; the count is capped.
    static QStringList copyList(const char *const *ids, int32_t count);

    // The ID as the camera takes it. False, with `out` emptied, when it is
    // empty, does not fit in kMaxBytes, holds a zero byte, or (Latin-1) has
    // a character Latin-1 cannot carry.
    static bool encode(const QString &id, Encoding encoding, QByteArray *out);

    // Every character is '0'-'9', 'a'-'z' or 'A'-'Z'.
    static bool isAlphanumeric(const QByteArray &id);

    // "The ID must not take more than 31 bytes."
    static QString tooLongText();
};

#endif
