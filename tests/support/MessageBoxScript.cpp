#include "support/MessageBoxScript.h"

MessageBoxScript::MessageBoxScript()
{
    MessageBox::setResponder([this](const MessageBoxRequest &r) { return answer(r); });
}

MessageBoxScript::~MessageBoxScript()
{
    MessageBox::setResponder({});
}

MessageBoxScript &MessageBoxScript::expect(const QString &title, const QString &answerText,
                                           const QString &text)
{
    m_expected.append({title, text, answerText});
    return *this;
}

QString MessageBoxScript::answer(const MessageBoxRequest &request)
{
    m_shown.append(request);
    if (!m_expected.isEmpty()) {
        const Expectation &e = m_expected.first();
        if (e.title == request.title && (e.text.isEmpty() || e.text == request.text)) {
            const QString a = e.answer;
            m_expected.removeFirst();
            return a;
        }
    }
    m_unexpected.append(request.title + QStringLiteral(": ") + request.text);
    return request.buttons.isEmpty() ? QString() : request.buttons.first();
}

QString MessageBoxScript::describe() const
{
    QStringList lines;
    for (const QString &u : m_unexpected)
        lines << QStringLiteral("unexpected box: ") + u;
    for (const Expectation &e : m_expected)
        lines << QStringLiteral("box never shown: ") + e.title + QStringLiteral(": ") + e.text;
    return lines.join(QLatin1Char('\n'));
}
