// The eyes and format names the capture work area offers, and how long
// fetching the chosen result should take.

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

    // The names shown for the stream format (the lists' names:
    // tst_capturewidget's resultListsPerRevision).
    void formatNames()
    {
        QCOMPARE(ResultLists::formatName(6), QStringLiteral("MONO_JPEG"));
        QCOMPARE(ResultLists::formatName(14), QStringLiteral("MONO_PNG"));
        QCOMPARE(ResultLists::formatName(138), QStringLiteral("CORVANE_JPEG2000"));
        QCOMPARE(ResultLists::formatName(0), QString());
    }

    void estimate()
    {
        const int raw = ZEPH_FORMAT_MONO_RAW, j2k = ZEPH_FORMAT_MONO_JPEG2000;
        const struct {
            const char *name;
            int commStd;
            uint32_t baud;
            int format, kind, quality, ms;
        } rows[] = {
            {"unknown link counts as USB", 0, 9600, raw, 1, 100, 1000},
            {"UART raw K1: 307200 / 14400 = 21.33 -> 22 s, + 5480", 2, 115200, raw, 1, 100, 27480},
            {"UART compact K7", 2, 115200, raw, 4104, 100, 21870},
            {"UART j2k 100: 100 x 3096 capped at 100000: 6.94 -> 7 s, + 2280", 2, 115200, j2k, 1, 100, 9280},
            {"UART j2k 1 K3: 1032 bytes at 1032 per second, 70 - 2500 floors at 50", 2, 8256, j2k, 3, 1, 50},
            {"UART baud 7: not a whole byte per second, so one", 2, 7, raw, 1, 100, 307200000 + 5480},
        };
        for (const auto &r : rows) {
            RetrievalEstimate::Input in;
            in.commStd = r.commStd;
            in.uartBaudrate = r.baud;
            in.resultFormat = r.format;
            in.resultKind = r.kind;
            in.j2kQuality = r.quality;
            const int got = RetrievalEstimate::estimateRetrievalTime(in);
            QVERIFY2(got == r.ms, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(r.name)).arg(got)));
        }
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
