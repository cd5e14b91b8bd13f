#include "support/ModalGuard.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QtTest>

ModalGuard::ModalGuard()
{
    qApp->installEventFilter(this);
}

ModalGuard::~ModalGuard()
{
    qApp->removeEventFilter(this);
}

bool ModalGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (dialog && dialog->isModal() && !dialog->property("drivenByTest").toBool()
            && !dialog->inherits("KeldWaitingDlg")) {
            // On a timer: exec() has its loop by then, and a driver the test
            // queued before the dialog opened goes first.
            QPointer<QDialog> d(dialog);
            QTimer::singleShot(0, this, [this, d] { end(d, 0); });
        }
    }
    return QObject::eventFilter(watched, event);
}

void ModalGuard::end(QPointer<QDialog> dialog, int attempts)
{
    if (!dialog || !dialog->isVisible())
        return;
    if (attempts == 0) {
        const QString what = QStringLiteral("unexpected dialog '%1' (%2)")
                                 .arg(dialog->windowTitle(), dialog->objectName());
        QTest::qFail(qPrintable(what), __FILE__, __LINE__);
    }
    if (attempts >= 100) {
        dialog->done(QDialog::Rejected);
        return;
    }
    for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>()) {
        const QString text = b->text().remove(QLatin1Char('&'));
        if (b->isVisible() && b->isEnabled()
            && (text == QLatin1String("Cancel") || text == QLatin1String("Close") || text == QLatin1String("No"))) {
            b->click();
            break;
        }
    }
    // A dialog may need a few turns of its own loop (a worker to stop) before it goes.
    if (dialog && dialog->isVisible())
        QTimer::singleShot(1, this, [this, dialog, attempts] { end(dialog, attempts + 1); });
}
