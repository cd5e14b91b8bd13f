// Which leftovers of a crashed save a start removes: only ours by name, only
// the user's, and only those no running save can still own.

#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestAtomicFile : public QObject
{
    Q_OBJECT
private slots:
    void staleTemporaries_data()
    {
        const qint64 dead = 0x7FFFFFF0; // above any pid the system hands out
        const qint64 live = ::getppid();
        const qint64 stale = AtomicFile::kStaleSeconds;
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("age");
        QTest::addColumn<QString>("kind"); // file, link, foreign
        QTest::addColumn<bool>("removed");
        const QString ours = QStringLiteral("Config.xml.new-%1-aZ09bY");
        QTest::newRow("process gone") << ours.arg(dead) << qint64(0) << "file" << true;
        QTest::newRow("own pid, from an earlier run") << ours.arg(::getpid()) << qint64(0) << "file" << true;
        QTest::newRow("running instance, saving") << ours.arg(live) << stale << "file" << false;
        QTest::newRow("running instance, too old") << ours.arg(live) << stale + 1 << "file" << true;
        QTest::newRow("a link under our name") << ours.arg(dead) << stale + 1 << "link" << false;
        QTest::newRow("another user's") << ours.arg(dead) << stale + 1 << "foreign" << false;
        for (const char *other : {"Config.xml.bad", "Config.xml.new-12-abcde", "Config.xml.new-12-abcdefg",
                                  "Config.xml.new-x1-abcdef", "Config.xml.new--abcdef", "Config.xml.AbC123",
                                  "Other.xml.new-2147483632-abcdef"})
            QTest::newRow(other) << QString::fromLatin1(other) << stale + 1 << "file" << false;
    }
    void staleTemporaries()
    {
        QFETCH(QString, name);
        QFETCH(qint64, age);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const qint64 now = QDateTime::currentSecsSinceEpoch() + 100000; // well after any file here
        if (kind == "link") {
            QVERIFY(QFile::link(dir.filePath("elsewhere"), path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
            f.close();
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::fromSecsSinceEpoch(now - age), QFileDevice::FileModificationTime));
        }
        if (kind == "foreign") {
            if (::geteuid() != 0)
                QSKIP("giving a file to another user needs root");
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 54321, 54321), 0);
        }
        const QStringList gone = AtomicFile::removeStaleTemporaries(dir.filePath("Config.xml"), now);
        QCOMPARE(gone, removed ? QStringList{name} : QStringList());
        QCOMPARE(QFileInfo(path).isSymLink() || QFileInfo::exists(path), !removed);
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
