// The 52-byte device configuration record byte by byte, and the rules by
// which the configuration dialog turns it into entries and back.

#include "admin/DeviceConfigEdit.h"
#include "admin/DeviceConfigRecord.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <cstring>

namespace {

using Bytes = DeviceConfigRecord::Bytes;

// A record in which every field and every reserved byte has its own value.
Bytes handMadeBytes()
{
    Bytes b{};
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(0xA0 + i); // reserved bytes keep these
    b[0] = 1;                                  // forceEncryption
    b[1] = 1;                                  // enableDedup
    const uint8_t dedup[4] = {0x33, 0x33, 0x73, 0x3F}; // 0.95f
    std::memcpy(&b[4], dedup, 4);
    const uint8_t auth[4] = {0x00, 0x00, 0x80, 0x3F};  // 1.0f
    std::memcpy(&b[8], auth, 4);
    b[12] = 0; b[13] = 1; b[14] = 1; b[15] = 8; b[16] = 6; b[17] = 80;
    const uint8_t baud[4] = {0x00, 0xE1, 0x00, 0x00};  // 57600
    std::memcpy(&b[20], baud, 4);
    b[24] = 1;
    b[36] = 1; b[37] = 4;
    b[38] = 0x2C; b[39] = 0x01;                        // 300 s
    return b;
}

ZephDeviceConfig factoryLike()
{
    ZephDeviceConfig c{};
    c.enableDedup = 1;
    c.dedupThreshold = 0.95f;
    c.authThreshold = 1.0f;
    c.enableStream = 1;
    c.streamScale = 4;
    c.streamFormat = ZEPH_FORMAT_MONO_RAW;
    c.compressionQuality = 80;
    c.uartBaudrate = 115200;
    c.sleepMode = ZEPH_SLEEP_SLEEP;
    for (std::size_t i = 0; i < sizeof c.reserved25; ++i)
        c.reserved25[i] = static_cast<uint8_t>(0x50 + i);
    c.reserved2[1] = 0x77;
    c.reserved18[0] = 0x18;
    c.reserved40[11] = 0xEE;
    return c;
}

} // namespace

class TestDeviceConfigRecord : public QObject
{
    Q_OBJECT
private slots:
    // Each field is read at its offset, little-endian; the reserved bytes
    // come back out exactly as they went in.
    void fieldsAtTheirOffsets()
    {
        const Bytes bytes = handMadeBytes();
        const auto c = DeviceConfigRecord::decode(bytes.data(), bytes.size());
        QVERIFY(c);
        QCOMPARE(c->forceEncryption, 1);
        QCOMPARE(c->enableDedup, 1);
        QCOMPARE(c->dedupThreshold, 0.95f);
        QCOMPARE(c->authThreshold, 1.0f);
        QCOMPARE(c->supervisedEnrollment, 0);
        QCOMPARE(c->dataClosure, 1);
        QCOMPARE(c->enableStream, 1);
        QCOMPARE(c->streamScale, 8);
        QCOMPARE(c->streamFormat, 6);
        QCOMPARE(c->compressionQuality, 80);
        QCOMPARE(c->uartBaudrate, 57600u);
        QCOMPARE(c->uartFlowControl, 1);
        QCOMPARE(c->deepSleepInterrupt, 1);
        QCOMPARE(c->sleepMode, 4);
        QCOMPARE(c->sleepTimeout, 300);
        QCOMPARE(c->reserved2[0], 0xA2);
        QCOMPARE(c->reserved18[1], 0xA0 + 19);
        QCOMPARE(c->reserved25[10], 0xA0 + 35);
        QCOMPARE(c->reserved40[11], 0xA0 + 51);

        const Bytes back = DeviceConfigRecord::encode(*c);
        for (std::size_t i = 0; i < back.size(); ++i)
            QVERIFY2(back[i] == bytes[i], qPrintable(QStringLiteral("byte %1").arg(i)));
    }

    void onlyWholeRecordsDecode()
    {
        const Bytes bytes = handMadeBytes();
        QVERIFY(!DeviceConfigRecord::decode(nullptr, 52));
        QVERIFY(!DeviceConfigRecord::decode(bytes.data(), 51));
        QVERIFY(!DeviceConfigRecord::decode(bytes.data(), 0));
        std::vector<uint8_t> longer(bytes.begin(), bytes.end());
        longer.push_back(0);
        QVERIFY(!DeviceConfigRecord::decode(longer.data(), longer.size()));
    }

    // Any 52 bytes, NaN and infinity thresholds among them, survive a round
    // trip unchanged.
    void anyBytesRoundTrip()
    {
        QRandomGenerator random(52);
        for (int run = 0; run < 500; ++run) {
            Bytes bytes;
            for (auto &b : bytes)
                b = static_cast<uint8_t>(random.bounded(256));
            if (run % 5 == 0) { bytes[7] = 0x7F; bytes[6] = 0xC0; } // a NaN
            const auto c = DeviceConfigRecord::decode(bytes.data(), bytes.size());
            QVERIFY(c);
            QVERIFY2(DeviceConfigRecord::encode(*c) == bytes, qPrintable(QString::number(run)));
        }
    }

    void streamScaleItems_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("index");
        for (int i = 0; i < 5; ++i)
            QTest::addRow("divisor %d", 1 << i) << (1 << i) << i;
        for (int odd : {0, 3, 5, 12, 32, 64, 128, 255})
            QTest::addRow("odd value %d", odd) << odd << 0;
    }

    // Only the five divisors have items; anything else shows the first.
    void streamScaleItems()
    {
        QFETCH(int, stored);
        QFETCH(int, index);
        QCOMPARE(DeviceConfigEdit::scaleIndex(static_cast<uint8_t>(stored)), index);
    }

    void streamScaleFromItem()
    {
        for (int i = 0; i < 5; ++i)
            QCOMPARE(int(DeviceConfigEdit::scaleFromIndex(i, 99)), 1 << i);
        // No item selected, or one past the list: the stored byte stays.
        QCOMPARE(int(DeviceConfigEdit::scaleFromIndex(-1, 7)), 7);
        QCOMPARE(int(DeviceConfigEdit::scaleFromIndex(5, 16)), 16);
    }

    void sleepRules()
    {
        QCOMPARE(DeviceConfigEdit::sleepModeIndex(1, 9), 0);
        QCOMPARE(DeviceConfigEdit::sleepModeIndex(2, 9), 1);
        QCOMPARE(DeviceConfigEdit::sleepModeIndex(4, 9), 2);
        QCOMPARE(DeviceConfigEdit::sleepModeIndex(3, 9), 9);
        QCOMPARE(DeviceConfigEdit::sleepModeIndex(0, 1), 1);
        QCOMPARE(int(DeviceConfigEdit::sleepModeValue(-1)), 0);
        QCOMPARE(int(DeviceConfigEdit::sleepModeValue(3)), 0);
        for (int t : {0, 9, 65536, 100000, -1})
            QVERIFY2(!DeviceConfigEdit::sleepTimeoutInRange(t), qPrintable(QString::number(t)));
        for (int t : {10, 60, 65535})
            QVERIFY2(DeviceConfigEdit::sleepTimeoutInRange(t), qPrintable(QString::number(t)));
    }

    void thresholdJudgement_data()
    {
        QTest::addColumn<bool>("dedup");
        QTest::addColumn<float>("dedupThreshold");
        QTest::addColumn<float>("authThreshold");
        QTest::addColumn<bool>("outside");
        QTest::newRow("both inside") << true << 0.95f << 1.0f << false;
        QTest::newRow("edges") << true << 0.8f << 1.1f << false;
        QTest::newRow("auth 1.2") << true << 0.95f << 1.2f << true;
        QTest::newRow("auth 0.79") << false << 0.95f << 0.79f << true;
        QTest::newRow("dedup 1.15") << true << 1.15f << 1.0f << true;
        QTest::newRow("dedup off, its threshold ignored") << false << 5.0f << 1.0f << false;
        QTest::newRow("auth NaN") << false << 1.0f << std::nanf("") << true;
    }

    void thresholdJudgement()
    {
        QFETCH(bool, dedup);
        QFETCH(float, dedupThreshold);
        QFETCH(float, authThreshold);
        QFETCH(bool, outside);
        ZephDeviceConfig c = factoryLike();
        c.enableDedup = dedup ? 1 : 0;
        c.dedupThreshold = dedupThreshold;
        c.authThreshold = authThreshold;
        QCOMPARE(DeviceConfigEdit::thresholdsOutOfRange(c), outside);
    }

    // Entries taken from a record and put back unchanged give the same
    // bytes; the fields the dialog keeps (reserved, old dedup threshold,
    // old sleep mode) stay when their controls are off.
    void entriesRoundTrip()
    {
        const ZephDeviceConfig base = factoryLike();
        DeviceConfigEdit::Entries e = DeviceConfigEdit::entriesFrom(base, ZEPH_COMM_USB);
        QCOMPARE(e.sleepAfter, 60);
        QVERIFY(!e.autoSleep);
        QCOMPARE(DeviceConfigEdit::check(e), DeviceConfigEdit::Problem::None);
        QVERIFY(DeviceConfigRecord::same(DeviceConfigEdit::recordFrom(base, e), base));

        e.enableDedup = false;
        e.dedupThreshold = 3.0;
        e.autoSleep = false;
        e.sleepModeIndex = 2;
        e.scaleIndex = -1;
        const ZephDeviceConfig off = DeviceConfigEdit::recordFrom(base, e);
        QCOMPARE(off.enableDedup, 0);
        QCOMPARE(off.dedupThreshold, 0.95f);
        QCOMPARE(off.sleepTimeout, 0);
        QCOMPARE(off.sleepMode, ZEPH_SLEEP_SLEEP);
        QCOMPARE(off.streamScale, 4);

        e.autoSleep = true;
        e.sleepAfter = 65535;
        const ZephDeviceConfig on = DeviceConfigEdit::recordFrom(base, e);
        QCOMPARE(on.sleepTimeout, 65535);
        QCOMPARE(on.sleepMode, ZEPH_SLEEP_DEEP);
        const Bytes a = DeviceConfigRecord::encode(base), b = DeviceConfigRecord::encode(on);
        for (std::size_t i : {2u, 3u, 18u, 19u, 25u, 30u, 35u, 40u, 51u})
            QVERIFY2(a[i] == b[i], qPrintable(QStringLiteral("reserved byte %1").arg(i)));
    }

    // Spin box values that would not fit their field are stopped, never cut.
    void narrowFieldsChecked()
    {
        DeviceConfigEdit::Entries e = DeviceConfigEdit::entriesFrom(factoryLike(), ZEPH_COMM_USB);
        e.autoSleep = true;
        for (int t : {0, 9, 65536, 100000}) {
            e.sleepAfter = t;
            QCOMPARE(DeviceConfigEdit::check(e), DeviceConfigEdit::Problem::SleepTimeout);
        }
        e.autoSleep = false; // the timeout is not sent at all
        QCOMPARE(DeviceConfigEdit::check(e), DeviceConfigEdit::Problem::None);
        e.compressionQuality = 356; // would land as 100 in the byte
        QCOMPARE(DeviceConfigEdit::check(e), DeviceConfigEdit::Problem::CompressionQuality);
        QCOMPARE(DeviceConfigEdit::problemText(DeviceConfigEdit::Problem::SleepTimeout),
                 QStringLiteral("The timeout to sleep must be in range [10-65535]"));
    }

    void streamFormatFollowsTheLink()
    {
        QCOMPARE(DeviceConfigEdit::streamFormatFor(ZEPH_COMM_UART), int(ZEPH_FORMAT_MONO_JPEG));
        QCOMPARE(DeviceConfigEdit::streamFormatFor(ZEPH_COMM_USB), int(ZEPH_FORMAT_MONO_RAW));
        QCOMPARE(DeviceConfigEdit::entriesFrom(factoryLike(), ZEPH_COMM_UART).streamFormat,
                 int(ZEPH_FORMAT_MONO_JPEG));
    }
};

QTEST_GUILESS_MAIN(TestDeviceConfigRecord)
#include "tst_deviceconfigrecord.moc"
