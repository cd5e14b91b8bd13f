#ifndef GLINTVIEW_ENROLLEEIDCHECK_H
#define GLINTVIEW_ENROLLEEIDCHECK_H

// The rule an enrollee ID typed by the operator must meet before it goes
// to the camera: white space simplified, not empty, at most 31 characters,
// only the Latin letters and digits.

#include <QByteArray>
#include <QString>

class EnrolleeIdCheck
{
public:
    static constexpr int kMaxLength = 31;

    enum Verdict { Accepted, Empty, TooLong, NotAlphanumeric };

    struct Result {
        Verdict verdict = Empty;
        QByteArray id; // the accepted ID in 8 bits; empty otherwise
    };

    static Result check(const QString &typed);

    // The box a refusal shows (title and text); empty for Accepted.
    static QString title(Verdict verdict);
    static QString text(Verdict verdict);
};

#endif
