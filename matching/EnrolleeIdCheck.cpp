#include "matching/EnrolleeIdCheck.h"

namespace {

bool isAlphanumeric(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

} // namespace

EnrolleeIdCheck::Result EnrolleeIdCheck::check(const QString &typed)
{
    Result r;
    const QString text = typed.simplified();
    if (text.isEmpty()) {
        r.verdict = Empty;
        return r;
    }
    if (text.size() > kMaxLength) {
        r.verdict = TooLong;
        return r;
    }
    for (const QChar c : text) {
        if (!isAlphanumeric(c)) {
            r.verdict = NotAlphanumeric;
            return r;
        }
    }
    r.verdict = Accepted;
    r.id = text.toLatin1();
    return r;
}

QString EnrolleeIdCheck::title(Verdict verdict)
{
    switch (verdict) {
    case Empty:
    case TooLong: return QStringLiteral("Error");
    case NotAlphanumeric: return QStringLiteral("ERROR");
    default: return QString();
    }
}

QString EnrolleeIdCheck::text(Verdict verdict)
{
    switch (verdict) {
    case Empty: return QStringLiteral("Please input ID.");
    case TooLong:
        return QStringLiteral("The enrollee ID only has maximum length of %1 characters")
            .arg(kMaxLength);
    case NotAlphanumeric: return QStringLiteral("The ID must be alphanumeric characters.");
    default: return QString();
    }
}
