#include "core/ResultText.h"

#include <QtTest>

class TestResultText : public QObject
{
    Q_OBJECT
private slots:
    void knownCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        // One per range, the edges, and the odd ones out.
        QTest::newRow("done") << 0 << "Done";
        QTest::newRow("io timeout") << 9 << "Device IO timeout";
        QTest::newRow("last general") << 0x17 << "Unknown device";
        QTest::newRow("unexpected") << 0xFF << "Unexpected error";
        QTest::newRow("busy has no prefix") << 0x100B << "Device is busy";
        QTest::newRow("device locked") << 0x100A << "(Device) Device locked";
        QTest::newRow("runtime") << 0x10FF << "(Device) Runtime exception";
        QTest::newRow("security first") << 0x2001 << "Security failed";
        QTest::newRow("security last") << 0x2010 << "(Security) Permission Denied";
        QTest::newRow("frame") << 0x3005 << "Iris frame is not available";
        QTest::newRow("gallery dup") << 0x4009 << "Duplicated iris enrollment is not allowed";
        QTest::newRow("template") << 0x5005 << "Template type is invalid";
        QTest::newRow("algorithm") << 0x6003 << "Algorithm not initilized";
    }
    void knownCodes()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(QString::fromLatin1(ResultText(code)), text);
        QVERIFY(ResultTextKnown(code));
    }

    void unknownCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("gap after general") << 0x18 << "Error Code 0x18";
        QTest::newRow("gap in device") << 0x1004 << "Error Code 0x1004";
        QTest::newRow("after device") << 0x1100 << "Error Code 0x1100";
        QTest::newRow("after algorithm") << 24580 << "Error Code 0x6004";
        QTest::newRow("minus one") << -1 << "Error Code 0xffffffff";
        QTest::newRow("most negative") << int(0x80000000) << "Error Code 0x80000000";
    }
    void unknownCodes()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(QString::fromLatin1(ResultText(code)), text);
        QVERIFY(!ResultTextKnown(code));
    }

    void everyRangeHasItsCount()
    {
        // 25 general, 11 device, 16 security, 9 camera, 9 gallery, 5 template, 3 algorithm.
        int count = 0;
        for (int code = -2; code < 0x7000; ++code)
            count += ResultTextKnown(code) ? 1 : 0;
        QCOMPARE(count, 78);
    }

    void unknownTextIsOverwrittenByTheNextUnknown()
    {
        const char *first = ResultText(0x18);
        QCOMPARE(QByteArray(first), QByteArray("Error Code 0x18"));
        const char *second = ResultText(0x19);
        QCOMPARE(first, second);
        QCOMPARE(QByteArray(first), QByteArray("Error Code 0x19"));
        // Known codes never touch the shared text.
        ResultText(0);
        QCOMPARE(QByteArray(first), QByteArray("Error Code 0x19"));
    }

    void threadsDoNotShareTheText()
    {
        const char *mine = ResultText(0x7777);
        QByteArray theirs;
        QThread *t = QThread::create([&] { theirs = ResultText(0x8888); });
        t->start();
        t->wait();
        delete t;
        QCOMPARE(QByteArray(mine), QByteArray("Error Code 0x7777"));
        QCOMPARE(theirs, QByteArray("Error Code 0x8888"));
    }
};

QTEST_GUILESS_MAIN(TestResultText)
#include "tst_resulttext.moc"
