#include "SettingsFileBytes.h"

#include "core/AppSettings.h"
#include "device/SettingsTempCodec.h"
#include "device/SettingsTempFile.h"
#include "support/FullDisk.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using SettingsTempCodec::Record;

namespace {

const QByteArray kGood = settingsFile(QStringLiteral("/srv/iris"), 1, 57600, 1, 2);

std::optional<Record> decodeBytes(const QByteArray &b)
{
    return SettingsTempCodec::decode(reinterpret_cast<const uint8_t *>(b.constData()),
                                     std::size_t(b.size()));
}

QByteArray encodeBytes(const Record &r)
{
    const SettingsTempCodec::Bytes bytes = SettingsTempCodec::encode(r);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

QByteArray with(QByteArray b, int offset, uint32_t v)
{
    putLe32(b, offset, v);
    return b;
}

int modeOf(const QString &path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

class TestSettingsTempFile : public QObject
{
    Q_OBJECT
private slots:
    void layoutByteByByte()
    {
        Record r;
        r.saveBestImage = true;
        r.savedImagePath = u"D:/\u00e9/\U0001F441"; // outside the BMP: two units
        r.rawImageAsBmp = true;
        r.uartBaudrate = 921600;
        r.uartFlowControl = 1;
        r.pendingCommStd = 2;
        const QByteArray b = encodeBytes(r);
        QCOMPARE(b.size(), 544);
        QCOMPARE(b.left(8), QByteArray("\x20\0\0\0\x01\0\0\0", 8));
        QCOMPARE(b.mid(8, 16), QByteArray("D\0:\0/\0\xe9\0/\0\x3d\xd8\x41\xdc\0\0", 16));
        QCOMPARE(b.mid(24, 504), QByteArray(504, '\0'));
        QCOMPARE(b.mid(528), QByteArray("\x01\0\0\0\0\x10\x0e\0\x01\0\0\0\x02\0\0\0", 16));
        QCOMPARE(decodeBytes(b), std::optional<Record>(r));
    }

    void malformedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("baud"); // -1: absent, the current value stays
        QTest::addColumn<int>("flow");
        QTest::addColumn<int>("commStd");

        QTest::newRow("good") << kGood << true << "/srv/iris" << 57600 << 1 << 2;
        // A file of another size is fileIsReplacedWhole's.
        QTest::newRow("tag 31") << with(kGood, 0, 31) << false << "" << 0 << 0 << 0;
        for (uint32_t bad : {0u, 3u}) // both sides of 1..2
            QTest::addRow("commStd %u", bad) << with(kGood, 540, bad) << true << "/srv/iris" << 57600 << 1 << -1;
        for (uint32_t bad : {2u, 0x100u}) // just above 1; zero in the low byte only
            QTest::addRow("flow %u", bad) << with(kGood, 536, bad) << true << "/srv/iris" << 57600 << -1 << 2;
        QTest::newRow("flow 0") << with(kGood, 536, 0) << true << "/srv/iris" << 57600 << 0 << 2;
        QTest::newRow("baud 0") << with(kGood, 532, 0) << true << "/srv/iris" << -1 << 1 << 2;

        // No zero anywhere in the field: the 259 units before the last slot.
        QString letters;
        for (int i = 0; i < 260; ++i)
            letters += QChar('a' + i % 26);
        QTest::newRow("no zero in path") << settingsFile(letters, 1, 57600, 1, 2) << true
                                         << letters.left(259) << 57600 << 1 << 2;
        QByteArray b = kGood;
        b[8] = b[9] = 0;
        QTest::newRow("empty path, text after") << b << true << "" << 57600 << 1 << 2;
    }
    void malformedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        const std::optional<Record> r = decodeBytes(bytes);
        QCOMPARE(r.has_value(), accepted);
        if (!accepted)
            return;
        QFETCH(QString, path);
        QFETCH(int, baud);
        QFETCH(int, flow);
        QFETCH(int, commStd);
        QCOMPARE(QString::fromStdU16String(r->savedImagePath), path);
        QCOMPARE(r->uartBaudrate ? int(*r->uartBaudrate) : -1, baud);
        QCOMPARE(r->uartFlowControl ? int(*r->uartFlowControl) : -1, flow);
        QCOMPARE(r->pendingCommStd ? *r->pendingCommStd : -1, commStd);
        QCOMPARE(decodeBytes(encodeBytes(*r)), r); // what was accepted reads back the same
    }

    void longPathsAreCutWhole()
    {
        Record r;
        r.savedImagePath = std::u16string(300, u'x');
        QCOMPARE(decodeBytes(encodeBytes(r))->savedImagePath, std::u16string(259, u'x'));
        // A surrogate pair across the limit is dropped, not halved.
        r.savedImagePath = std::u16string(258, u'x') + u"\U0001F441";
        QCOMPARE(decodeBytes(encodeBytes(r))->savedImagePath, std::u16string(258, u'x'));
        QVERIFY(!SettingsTempCodec::pathFits(r.savedImagePath));
    }

    // Replaced whole, for the user alone whatever the umask and the mode it
    // replaces; read whole, a file of any other size being none.
    void fileIsReplacedWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("glintview.tmp"));
        QVERIFY(!SettingsTempFile::load(path));
        Record r = *decodeBytes(kGood);
        const mode_t umaskBefore = ::umask(0);
        const bool first = SettingsTempFile::save(path, r);
        ::umask(umaskBefore);
        QVERIFY(first);
        QCOMPARE(modeOf(path), 0600);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0666), 0);
        r.savedImagePath = u"/second";
        QVERIFY(SettingsTempFile::save(path, r));
        QCOMPARE(modeOf(path), 0600);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not replaced .*stay in memory"));
        QVERIFY(!SettingsTempFile::save(dir.filePath(QStringLiteral("none/glintview.tmp")), r));
        // A disk full one byte short keeps the old file whole (the other ways
        // a write fails are core/tst_appconfig's, through the same replace).
        FullDisk disk{543, ENOSPC};
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not replaced \\(writing stopped"));
        QVERIFY(!SettingsTempFile::save(path, *decodeBytes(kGood), disk.writer()));
        QCOMPARE(SettingsTempFile::load(path), std::optional<Record>(r));
        // Nothing of either write is left beside the file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"glintview.tmp"});

        for (const QByteArray &bad : {kGood.left(543), kGood + '\0'}) {
            QVERIFY(writeAll(path, bad));
            QVERIFY(!SettingsTempFile::load(path));
        }
    }

    // The temp folder is shared: whatever stands under the name other than the
    // user's own file is neither read nor replaced, and a link's target is
    // never touched.
    void hostileTempFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("link to a file") << "link" << "symbolic link";
        QTest::newRow("dangling link") << "dangling" << "symbolic link";
        QTest::newRow("another user's file") << "foreign" << "another user";
        QTest::newRow("a folder") << "folder" << "not a plain file|other than a file";
    }
    void hostileTempFolder()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("glintview.tmp"));
        const QString target = dir.filePath(QStringLiteral("victim"));
        const QByteArray victim = "precious\n";
        if (kind == "link")
            QVERIFY(writeAll(target, victim));
        if (kind == "link" || kind == "dangling")
            QVERIFY(QFile::link(target, path));
        if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir("glintview.tmp"));
        if (kind == "foreign") {
            if (::geteuid() != 0)
                QSKIP("giving a file to another user needs root");
            QVERIFY(writeAll(path, kGood));
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 54321, 54321), 0);
        }
        const QRegularExpression said("(" + reason + ").*stay in memory");
        QTest::ignoreMessage(QtWarningMsg, said);
        QVERIFY(!SettingsTempFile::load(path));
        QTest::ignoreMessage(QtWarningMsg, said);
        QVERIFY(!SettingsTempFile::save(path, *decodeBytes(kGood)));
        QCOMPARE(readAll(target), kind == "link" ? victim : QByteArray());
        QCOMPARE(QFileInfo::exists(target), kind == "link");
        if (kind == "foreign")
            QCOMPARE(readAll(path), kGood);
    }

    // The setting work area's suite applies a good first load and the image
    // options of a later one; here the rest: the mirrored device record,
    // absent fields on a first load, and an empty path on a later one.
    void uartFieldsOnlyOnTheFirstLoad()
    {
        AppSettings s;
        QVERIFY(SettingsTempFile::apply(*decodeBytes(kGood), s));
        QCOMPARE(s.deviceConfig.uartBaudrate, 57600u);
        QCOMPARE(s.deviceConfig.uartFlowControl, uint8_t(1));
        QVERIFY(!SettingsTempFile::apply(*decodeBytes(settingsFile(QString(), 0, 9600, 0, 1, false)), s));
        QCOMPARE(s.savedImagePath, QStringLiteral("/srv/iris"));

        AppSettings fresh;
        SettingsTempFile::apply(*decodeBytes(settingsFile(QString(), 0, 0, 7, 9)), fresh);
        QCOMPARE(fresh.sdkConfig.uartBaudrate, 115200u);
        QCOMPARE(fresh.deviceConfig.uartBaudrate, 115200u);
        QCOMPARE(fresh.pendingCommStd, 1); // method 9 and flow 7 are no values
        QCOMPARE(fresh.sdkConfig.uartFlowControl, 0u);
    }
};

QTEST_GUILESS_MAIN(TestSettingsTempFile)
#include "tst_settingstempfile.moc"
