#include "core/ResultText.h"

#include <QtTest>

class TestResultText : public QObject
{
    Q_OBJECT
private slots:
    void texts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("known");
        // Success, the codes the workflows branch on whose text the operator
        // sees, and the unknown form (that all 78 are there, and no other, is
        // everyRangeHasItsCount's).
        QTest::newRow("first") << 0 << "Done" << true;
        QTest::newRow("permission") << 0x2010 << "(Security) Permission Denied" << true;
        QTest::newRow("frame") << 0x3005 << "Iris frame is not available" << true;
        QTest::newRow("gallery dup") << 0x4009 << "Duplicated iris enrollment is not allowed" << true;
        QTest::newRow("gap after general") << 0x18 << "Error Code 0x18" << false;
    }
    void texts()
    {
        QFETCH(int, code);
        QTEST(QString::fromLatin1(ResultText(code)), "text");
        QTEST(ResultTextKnown(code), "known");
    }

    void everyRangeHasItsCount()
    {
        // 25 general, 11 device, 16 security, 9 camera, 9 gallery, 5 template, 3 algorithm.
        int count = 0;
        for (int code = -2; code < 0x7000; ++code)
            count += ResultTextKnown(code) ? 1 : 0;
        QCOMPARE(count, 78);
    }

    // An unknown code's text lives in one buffer per thread: the next unknown
    // code overwrites it, a known one or another thread's never does.
    void unknownTextIsSharedWithinAThreadOnly()
    {
        const char *first = ResultText(0x18);
        QCOMPARE(QByteArray(first), QByteArray("Error Code 0x18"));
        QCOMPARE(ResultText(0x19), first);
        QCOMPARE(QByteArray(first), QByteArray("Error Code 0x19"));
        ResultText(0);
        QByteArray theirs;
        std::unique_ptr<QThread> t(QThread::create([&] { theirs = ResultText(0x8888); }));
        t->start();
        t->wait();
        QCOMPARE(QByteArray(first), QByteArray("Error Code 0x19"));
        QCOMPARE(theirs, QByteArray("Error Code 0x8888"));
    }
};

QTEST_GUILESS_MAIN(TestResultText)
#include "tst_resulttext.moc"
