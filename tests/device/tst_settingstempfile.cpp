#include "app/AppSettings.h"
#include "device/SettingsTempCodec.h"
#include "device/SettingsTempFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using SettingsTempCodec::Record;

namespace {

void putLe32(QByteArray &bytes, int offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((v >> (8 * i)) & 0xFF);
}

uint32_t le32(const QByteArray &bytes, int offset)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(uint8_t(bytes[offset + i])) << (8 * i);
    return v;
}

// A well-formed file built by hand, independent of the encoder.
QByteArray goodFile()
{
    QByteArray b(544, '\0');
    putLe32(b, 0, 32);
    b[4] = 1;
    const QString path = QStringLiteral("/srv/iris");
    for (int i = 0; i < path.size(); ++i) {
        b[8 + 2 * i] = char(path[i].unicode() & 0xFF);
        b[9 + 2 * i] = char(path[i].unicode() >> 8);
    }
    putLe32(b, 528, 1);
    putLe32(b, 532, 57600);
    putLe32(b, 536, 1);
    putLe32(b, 540, 2);
    return b;
}

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

} // namespace

class TestSettingsTempFile : public QObject
{
    Q_OBJECT
private slots:
    void layoutByteByByte()
    {
        Record r;
        r.saveBestImage = true;
        // A character outside the BMP takes two UTF-16 code units.
        r.savedImagePath = u"D:/B\u00e9st/\U0001F441";
        r.rawImageAsBmp = true;
        r.uartBaudrate = 921600;
        r.uartFlowControl = 1;
        r.pendingCommStd = 2;
        const QByteArray b = encodeBytes(r);
        QCOMPARE(b.size(), 544);
        QCOMPARE(le32(b, 0), 32u);
        QCOMPARE(b.mid(4, 4), QByteArray("\x01\x00\x00\x00", 4));
        const char16_t units[] = {u'D', u':', u'/', u'B', 0x00E9, u's', u't', u'/', 0xD83D, 0xDC41};
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(uint8_t(b[8 + 2 * i]), uint8_t(units[i] & 0xFF));
            QCOMPARE(uint8_t(b[9 + 2 * i]), uint8_t(units[i] >> 8));
        }
        QCOMPARE(b.mid(28, 500), QByteArray(500, '\0')); // terminated and zero-padded
        QCOMPARE(le32(b, 528), 1u);
        QCOMPARE(le32(b, 532), 921600u);
        QCOMPARE(le32(b, 536), 1u);
        QCOMPARE(le32(b, 540), 2u);
        QCOMPARE(decodeBytes(b), std::optional<Record>(r));
        QCOMPARE(encodeBytes(*decodeBytes(goodFile())), goodFile());
    }

    void malformedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("baud");       // -1: absent
        QTest::addColumn<int>("flow");       // -1: absent
        QTest::addColumn<int>("commStd");    // -1: absent

        const QByteArray good = goodFile();
        QTest::newRow("good") << good << true << "/srv/iris" << 57600 << 1 << 2;
        QTest::newRow("empty") << QByteArray() << false << "" << 0 << 0 << 0;
        QTest::newRow("one byte short") << good.left(543) << false << "" << 0 << 0 << 0;
        QTest::newRow("tag only") << good.left(4) << false << "" << 0 << 0 << 0;
        QTest::newRow("one byte long") << good + '\0' << false << "" << 0 << 0 << 0;
        QTest::newRow("twice") << good + good << false << "" << 0 << 0 << 0;
        QByteArray b = good;
        putLe32(b, 0, 31);
        QTest::newRow("tag 31") << b << false << "" << 0 << 0 << 0;
        putLe32(b, 0, 0x20000000);
        QTest::newRow("tag big-endian") << b << false << "" << 0 << 0 << 0;

        for (uint32_t bad : {0u, 3u, 0xFFFFFFFFu, 0x01000000u}) {
            b = good;
            putLe32(b, 540, bad);
            QTest::newRow(qPrintable(QStringLiteral("commStd %1").arg(bad)))
                << b << true << "/srv/iris" << 57600 << 1 << -1;
        }
        for (uint32_t bad : {2u, 0x100u, 0x101u, 0xFFFFFFFFu}) {
            b = good;
            putLe32(b, 536, bad);
            QTest::newRow(qPrintable(QStringLiteral("flow %1").arg(bad)))
                << b << true << "/srv/iris" << 57600 << -1 << 2;
        }
        b = good;
        putLe32(b, 536, 0);
        QTest::newRow("flow 0 is kept") << b << true << "/srv/iris" << 57600 << 0 << 2;
        b = good;
        putLe32(b, 532, 0);
        QTest::newRow("baud 0") << b << true << "/srv/iris" << -1 << 1 << 2;

        // No terminator anywhere: the 259 units before the last slot are the path.
        b = good;
        for (int i = 0; i < 260; ++i) {
            b[8 + 2 * i] = char('a' + i % 26);
            b[9 + 2 * i] = 0;
        }
        QString unterminated;
        for (int i = 0; i < 259; ++i)
            unterminated += QChar('a' + i % 26);
        QTest::newRow("no zero in path") << b << true << unterminated << 57600 << 1 << 2;
        b = good;
        b[8] = 0;
        b[9] = 0;
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
        // What was accepted writes back as a file that reads the same.
        QCOMPARE(decodeBytes(encodeBytes(*r)), r);
    }

    void fillerAndFlagBytes()
    {
        QByteArray b = goodFile();
        b[4] = char(0x80);
        b[5] = b[6] = b[7] = char(0xFF); // filler
        putLe32(b, 528, 2);              // only 1 means BMP
        const std::optional<Record> r = decodeBytes(b);
        QVERIFY(r);
        QVERIFY(r->saveBestImage);
        QVERIFY(!r->rawImageAsBmp);
        b[4] = 0;
        QVERIFY(!decodeBytes(b)->saveBestImage);
    }

    void longPathsAreCutWhole()
    {
        Record r;
        r.savedImagePath = std::u16string(300, u'x');
        QCOMPARE(decodeBytes(encodeBytes(r))->savedImagePath, std::u16string(259, u'x'));
        // A surrogate pair across the limit is dropped, not halved.
        r.savedImagePath = std::u16string(258, u'x') + u"\U0001F441" + u"yy";
        QCOMPARE(decodeBytes(encodeBytes(r))->savedImagePath, std::u16string(258, u'x'));
        QVERIFY(!SettingsTempCodec::pathFits(r.savedImagePath));
        QVERIFY(SettingsTempCodec::pathFits(std::u16string(259, u'x')));
    }

    void fileIsReplacedWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("glintview.tmp"));
        QVERIFY(!SettingsTempFile::load(path));

        Record first;
        first.savedImagePath = u"/first";
        first.uartBaudrate = 9600;
        first.uartFlowControl = 0;
        first.pendingCommStd = 1;
        QVERIFY(SettingsTempFile::save(path, first));
        QCOMPARE(SettingsTempFile::load(path), std::optional<Record>(first));

        Record second = first;
        second.savedImagePath = u"/second";
        QVERIFY(SettingsTempFile::save(path, second));
        QCOMPARE(SettingsTempFile::load(path), std::optional<Record>(second));
        QCOMPARE(QFileInfo(path).size(), 544);
        // Nothing of the write is left beside the file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("glintview.tmp")});

        QVERIFY(!SettingsTempFile::save(dir.filePath(QStringLiteral("no/such/glintview.tmp")), first));
        QFile truncated(path);
        QVERIFY(truncated.open(QIODevice::WriteOnly | QIODevice::Truncate));
        truncated.write(goodFile().left(100));
        truncated.close();
        QVERIFY(!SettingsTempFile::load(path));
    }

    void uartFieldsOnlyOnTheFirstLoad()
    {
        AppSettings s;
        s.savedImagePath = QStringLiteral("/old");
        Record r = *decodeBytes(goodFile());
        QVERIFY(SettingsTempFile::apply(r, s));
        QCOMPARE(s.savedImagePath, QStringLiteral("/srv/iris"));
        QCOMPARE(s.rawImageAsBmp, 1);
        QCOMPARE(s.firstSettingsLoad, uint8_t(0));
        QCOMPARE(s.sdkConfig.uartBaudrate, 57600u);
        QCOMPARE(s.sdkConfig.uartFlowControl, 1u);
        QCOMPARE(s.pendingCommStd, 2);
        QCOMPARE(s.deviceConfig.uartBaudrate, 57600u);
        QCOMPARE(s.deviceConfig.uartFlowControl, uint8_t(1));

        // Later loads take the image options only; an empty path keeps the old one.
        r.savedImagePath.clear();
        r.rawImageAsBmp = false;
        r.saveBestImage = false;
        r.uartBaudrate = 9600;
        r.pendingCommStd = 1;
        QVERIFY(!SettingsTempFile::apply(r, s));
        QCOMPARE(s.savedImagePath, QStringLiteral("/srv/iris"));
        QCOMPARE(s.rawImageAsBmp, 0);
        QCOMPARE(s.sdkConfig.uartBaudrate, 57600u);
        QCOMPARE(s.pendingCommStd, 2);

        // Absent fields on a first load leave the start values.
        AppSettings fresh;
        r.uartBaudrate.reset();
        r.uartFlowControl.reset();
        r.pendingCommStd.reset();
        SettingsTempFile::apply(r, fresh);
        QCOMPARE(fresh.sdkConfig.uartBaudrate, 115200u);
        QCOMPARE(fresh.pendingCommStd, 1);
        QCOMPARE(fresh.deviceConfig.uartBaudrate, 115200u);
    }
};

QTEST_GUILESS_MAIN(TestSettingsTempFile)
#include "tst_settingstempfile.moc"
