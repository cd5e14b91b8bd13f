// The program's dialogs as the operator sees them, under the program's own
// style sheet and over a work area that pads its buttons: every button is a
// plain 100-pixel one with no picture beside its text, and a tab in a text
// does not show as a wide gap.

#include "app/Application.h"
#include "core/About.h"
#include "core/MessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <functional>

class TestDialogLook : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qApp->setStyleSheet(QString::fromLatin1(Application::kStyleSheet)); }

    void buttons_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("device properties") << "properties";
        QTest::newRow("question") << "question";
    }
    void buttons()
    {
        QFETCH(QString, kind);
        QWidget workArea; // as the SDK setting work area styles its buttons
        workArea.setStyleSheet(QStringLiteral("QPushButton { min-width: 100px; } QPushButton { padding: 0 14px; }"));
        workArea.show();

        QList<int> widths;
        int icons = 0;
        QStringList shownTexts;
        QTimer::singleShot(0, &workArea, [&] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QDialog *>(top);
                if (!dialog || !dialog->isVisible())
                    continue;
                for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
                    widths << b->width();
                    icons += b->icon().isNull() ? 0 : 1;
                }
                for (QLabel *l : dialog->findChildren<QLabel *>())
                    shownTexts << l->text();
                dialog->done(0);
            }
        });
        if (kind == "properties") {
            About about(&workArea);
            about.setText(QStringLiteral("Features:\r\n\t- Template generation\r\n"));
            about.exec();
            QCOMPARE(about.text(), QStringLiteral("Features:\r\n\t- Template generation\r\n"));
            QVERIFY2(!shownTexts.join(QString()).contains(QLatin1Char('\t')), qPrintable(shownTexts.join('|')));
        } else {
            MessageBox::question(&workArea, QMessageBox::Question, QStringLiteral("Question"), QStringLiteral("Go on?"));
        }
        // 100 pixels wide and the 1-pixel shadow border on the right.
        QCOMPARE(widths, QList<int>(kind == "question" ? 2 : 1, 101));
        QCOMPARE(icons, 0);
    }
};

QTEST_MAIN(TestDialogLook)
#include "tst_dialoglook.moc"
