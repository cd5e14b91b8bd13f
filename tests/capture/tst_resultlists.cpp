// The eyes and format names the capture work area offers, and how long a
// fetch of the chosen result is expected to take.

#include "capture/ResultLists.h"
#include "capture/RetrievalEstimate.h"

#include "core/AppSettings.h"
#include "zeph/zeph.h"

#include <QtTest>

namespace {

QString describe(const QVector<ResultListEntry> &entries)
{
    QStringList parts;
    for (const ResultListEntry &e : entries)
        parts << QStringLiteral("%1=%2").arg(e.label).arg(e.value);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestResultLists : public QObject
{
    Q_OBJECT
private slots:
    void isoSubtypes()
    {
        QCOMPARE(describe(ResultLists::isoSubtypes(false)), QStringLiteral("UNKNOWN EYE=0 RIGHT EYE=1 LEFT EYE=2"));
        QCOMPARE(describe(ResultLists::isoSubtypes(true)),
                 QStringLiteral("UNKNOWN EYE=0 RIGHT EYE=1 LEFT EYE=2 BOTH EYE=3"));
    }

    // The names shown for the stream format (the lists' names: tst_capturewidget's resultListsPerRevision).
    void formatNames_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("format");
        QTest::newRow("6") << 6 << "MONO_JPEG";
        QTest::newRow("14") << 14 << "MONO_PNG";
        QTest::newRow("138") << 138 << "CORVANE_JPEG2000";
        QTest::newRow("0") << 0 << "";
    }
    void formatNames()
    {
        QFETCH(int, value);
        QTEST(ResultLists::formatName(value), "format");
    }

    void estimate_data()
    {
        QTest::addColumn<int>("commStd");
        QTest::addColumn<uint>("baud");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("ms");
        const int raw = ZEPH_FORMAT_MONO_RAW, j2k = ZEPH_FORMAT_MONO_JPEG2000;

        QTest::newRow("unknown link counts as USB") << 0 << 9600u << raw << 1 << 100 << 1000;
        // 307200 / 14400 = 21.33 -> 22 s, + 5480.
        QTest::newRow("UART raw K1") << 2 << 115200u << raw << 1 << 100 << 27480;
        // 102400 / 14400 = 7.11 -> 8 s, 5480 - 2500.
        QTest::newRow("UART raw K3") << 2 << 115200u << raw << 3 << 100 << 10980;
        // 17000 / 14400 = 1.18 -> 2 s, 5480 + 270.
        QTest::newRow("UART raw K7") << 2 << 115200u << raw << 7 << 100 << 7750;
        QTest::newRow("UART compact K7") << 2 << 115200u << raw << 4104 << 100 << 21870;
        // 100 × 3096 capped at 100000: 6.94 -> 7 s, + 2280.
        QTest::newRow("UART j2k 100") << 2 << 115200u << j2k << 1 << 100 << 9280;
        // 30960: 2.15 -> 3 s, overhead 30960 × 2280 / 100000 = 705.
        QTest::newRow("UART j2k 10") << 2 << 115200u << j2k << 1 << 10 << 3705;
        // 10320 bytes, less than a second of the link: size 0, overhead 100.
        QTest::newRow("UART j2k 10 K3 under a second") << 2 << 115200u << j2k << 3 << 10 << 100;
        // 1032 bytes at 1032 per second: 1 s, 70 - 2500: below zero, the floor.
        QTest::newRow("UART j2k 1 K3 floors at 50") << 2 << 8256u << j2k << 3 << 1 << 50;
        // Below 8 baud not a whole byte per second: one byte per second.
        QTest::newRow("UART baud 7") << 2 << 7u << raw << 1 << 100 << 307200000 + 5480;
    }
    void estimate()
    {
        QFETCH(int, commStd);
        QFETCH(uint, baud);
        QFETCH(int, format);
        QFETCH(int, kind);
        QFETCH(int, quality);
        RetrievalEstimate::Input in;
        in.commStd = commStd;
        in.uartBaudrate = baud;
        in.resultFormat = format;
        in.resultKind = kind;
        in.j2kQuality = quality;
        QTEST(RetrievalEstimate::estimateRetrievalTime(in), "ms");
    }

    // The settings' link in use and result options feed the same estimate.
    void fromSettings()
    {
        AppSettings s;
        QCOMPARE(RetrievalEstimate::estimateRetrievalTime(s), 1000);
        s.sdkConfig.commStd = ZEPH_COMM_UART;
        // Every field away from the estimate's own defaults (kind K3 by default).
        s.sdkConfig.uartBaudrate = 9600;
        s.resultFormat = ZEPH_FORMAT_MONO_JPEG2000;
        s.j2kQuality = 10;
        QCOMPARE(RetrievalEstimate::estimateRetrievalTime(s), 9000 - 1795);
    }
};

QTEST_GUILESS_MAIN(TestResultLists)
#include "tst_resultlists.moc"
