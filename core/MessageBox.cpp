#include "core/MessageBox.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPushButton>

const char MessageBox::kStyleSheet[] =
    "QMessageBox {background: #E1EAF6} QMessageBox QLabel {color: black} "
    "QPushButton {padding: 0px}";

namespace {
MessageBox::Responder &responder()
{
    static MessageBox::Responder r;
    return r;
}

QMessageBox::StandardButton standardButtonFor(const QString &text)
{
    if (text == QLatin1String("OK")) return QMessageBox::Ok;
    if (text == QLatin1String("Yes")) return QMessageBox::Yes;
    if (text == QLatin1String("No")) return QMessageBox::No;
    if (text == QLatin1String("Cancel")) return QMessageBox::Cancel;
    return QMessageBox::NoButton;
}
} // namespace

QString MessageBox::ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                        const QString &text, const QStringList &buttons,
                        const QString &defaultButton)
{
    MessageBoxRequest request;
    request.icon = icon;
    request.title = title;
    request.text = text;
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    request.parent = parent;
    if (responder())
        return responder()(request);

    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    // The look of the program's own dialogs: their background, black text
    // and plain 100-pixel buttons, whatever work area the box opens over.
    box.setStyleSheet(QString::fromLatin1(kStyleSheet));
    QList<QPair<QAbstractButton *, QString>> made;
    for (const QString &label : buttons) {
        QAbstractButton *b = nullptr;
        const QMessageBox::StandardButton standard = standardButtonFor(label);
        if (standard != QMessageBox::NoButton)
            b = box.addButton(standard);
        else
            b = box.addButton(label, QMessageBox::ActionRole);
        b->setIcon(QIcon()); // no picture squeezed beside the button's text
        made.append({b, label});
        if (label == defaultButton)
            box.setDefaultButton(qobject_cast<QPushButton *>(b));
    }
    if (defaultButton.isEmpty())
        box.setDefaultButton(static_cast<QPushButton *>(nullptr));
    box.exec();
    for (const auto &pair : made) {
        if (box.clickedButton() == pair.first)
            return pair.second;
    }
    return QString();
}

void MessageBox::information(QWidget *parent, const QString &title, const QString &text)
{
    ask(parent, QMessageBox::Information, title, text, {QStringLiteral("OK")});
}

void MessageBox::warning(QWidget *parent, const QString &title, const QString &text)
{
    ask(parent, QMessageBox::Warning, title, text, {QStringLiteral("OK")});
}

void MessageBox::critical(QWidget *parent, const QString &title, const QString &text)
{
    ask(parent, QMessageBox::Critical, title, text, {QStringLiteral("OK")});
}

bool MessageBox::question(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                          const QString &text, const QString &defaultButton)
{
    return ask(parent, icon, title, text, {QStringLiteral("Yes"), QStringLiteral("No")},
               defaultButton) == QLatin1String("Yes");
}

void MessageBox::setResponder(Responder r)
{
    responder() = std::move(r);
}
