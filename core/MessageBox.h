#ifndef GLINTVIEW_MESSAGEBOX_H
#define GLINTVIEW_MESSAGEBOX_H

// Every message box the program shows goes through here. In the program it
// is a real modal QMessageBox; a test installs a responder that reads the
// box (icon, title, text, buttons) and answers it by button text.

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

struct MessageBoxRequest {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QStringList buttons;     // texts, in the order shown
    QString defaultButton;   // empty: none
    QPointer<QWidget> parent;
};

class MessageBox
{
public:
    // The look of a real box.
    static const char kStyleSheet[];

    // Returns the text of the button pressed (empty when the box was closed
    // without one, e.g. by Escape on a box that has no Cancel).
    static QString ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                       const QString &text, const QStringList &buttons,
                       const QString &defaultButton = QString());

    // One-button boxes.
    static void information(QWidget *parent, const QString &title, const QString &text);
    static void warning(QWidget *parent, const QString &title, const QString &text);
    static void critical(QWidget *parent, const QString &title, const QString &text);

    // Yes/No question; true when Yes was pressed.
    static bool question(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                         const QString &text, const QString &defaultButton = QString());

    using Responder = std::function<QString(const MessageBoxRequest &)>;
    // Installs a responder in place of real boxes; an empty one restores them.
    static void setResponder(Responder responder);
};

#endif
