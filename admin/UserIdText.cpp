#include "admin/UserIdText.h"

#include "core/FixedText.h"

QStringList UserIdText::copyList(const char *const *ids, int32_t count)
{
    QStringList list;
    if (!ids || count <= 0)
        return list;
    const int32_t n = count < kMaxListEntries ? count : kMaxListEntries;
    list.reserve(n);
    for (int32_t i = 0; i < n; ++i) {
        if (!ids[i])
            continue;
        list.append(QString::fromLatin1(FixedText::read(ids[i], ZEPH_ID_SIZE)));
    }
    return list;
}

bool UserIdText::encode(const QString &id, Encoding encoding, QByteArray *out)
{
    QByteArray bytes;
    bool ok = !id.isEmpty();
    if (ok && encoding == Latin1) {
        for (const QChar c : id) {
            if (c.unicode() > 0xFF) {
                ok = false;
                break;
            }
        }
        bytes = id.toLatin1();
    } else if (ok) {
        bytes = id.toLocal8Bit();
        // A character the local encoding cannot carry comes back different.
        ok = QString::fromLocal8Bit(bytes) == id;
    }
    ok = ok && !bytes.isEmpty() && bytes.size() <= kMaxBytes && !bytes.contains('\0');
    if (out)
        *out = ok ? bytes : QByteArray();
    return ok;
}

bool UserIdText::isAlphanumeric(const QByteArray &id)
{
    for (const char ch : id) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!ok)
            return false;
    }
    return true;
}

QString UserIdText::tooLongText()
{
    return QStringLiteral("The ID must not take more than 31 bytes.");
}
