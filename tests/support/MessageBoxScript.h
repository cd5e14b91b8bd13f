#ifndef GLINTVIEW_TESTS_MESSAGEBOXSCRIPT_H
#define GLINTVIEW_TESTS_MESSAGEBOXSCRIPT_H

// Answers the program's message boxes in tests. Each expected box is matched
// by title (and text, when given) and answered by button text; a box that
// was not expected fails the test and is answered with its first button so
// the code under test can go on. Every box is recorded.

#include "core/MessageBox.h"

#include <QList>
#include <QString>

class MessageBoxScript
{
public:
    struct Expectation {
        QString title;
        QString text; // empty: any text
        QString answer;
    };

    MessageBoxScript();
    ~MessageBoxScript();

    MessageBoxScript &expect(const QString &title, const QString &answer,
                             const QString &text = QString());

    const QList<MessageBoxRequest> &shown() const { return m_shown; }
    QStringList unexpected() const { return m_unexpected; }
    int pending() const { return m_expected.size(); }
    // True when every expected box came and nothing else did.
    bool satisfied() const { return m_expected.isEmpty() && m_unexpected.isEmpty(); }
    QString describe() const;

private:
    QString answer(const MessageBoxRequest &request);

    QList<Expectation> m_expected;
    QList<MessageBoxRequest> m_shown;
    QStringList m_unexpected;
};

#endif
