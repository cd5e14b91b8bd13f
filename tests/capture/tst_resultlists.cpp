#include "capture/ResultLists.h"

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
    void perRevision_data()
    {
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<QString>("formats");
        QTest::addColumn<bool>("subtypes");
        const QString four = "K1=1 K2=2 K3=3 K7=7";
        const QString isoFormats = "MONO_RAW=2 MONO_JPEG2000=10";
        // The lists with no revision and with 2005: tst_capturewidget's resultListsPerRevision.
        QTest::newRow("2011") << 2 << four + " K7_1_5=4103 K7_2_5=4104 K7_3_5=4105 K7_5_0=4106"
                              << isoFormats << true;
        QTest::newRow("unknown revision as none") << 7 << four
                                                  << "MONO_RAW=2 MONO_JPEG2000=10 CORVANE_RAW=130" << false;
    }
    void perRevision()
    {
        QFETCH(int, revision);
        const ResultLists lists = ResultLists::forRevision(revision);
        QTEST(describe(lists.kinds), "kinds");
        QTEST(describe(lists.formats), "formats");
        QTEST(lists.subtypesEnabled, "subtypes");
    }

    void selection_data()
    {
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("storedKind");
        QTest::addColumn<int>("index");
        // Stored K3 with and without ISO 2005: tst_capturewidget's resultListsPerRevision.
        QTest::newRow("stored K7_5_0 in 2011") << 2 << 4106 << 7;
        QTest::newRow("stored K7_5_0 not in none: first") << 0 << 4106 << 0;
    }
    void selection()
    {
        QFETCH(int, revision);
        QFETCH(int, storedKind);
        QTEST(ResultLists::selectedIndex(ResultLists::forRevision(revision).kinds, storedKind), "index");
        QCOMPARE(ResultLists::selectedIndex({}, storedKind), -1);
    }

    void isoSubtypes()
    {
        QCOMPARE(describe(ResultLists::isoSubtypes(false)), QStringLiteral("UNKNOWN EYE=0 RIGHT EYE=1 LEFT EYE=2"));
        QCOMPARE(describe(ResultLists::isoSubtypes(true)),
                 QStringLiteral("UNKNOWN EYE=0 RIGHT EYE=1 LEFT EYE=2 BOTH EYE=3"));
    }

    void names_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("format");
        QTest::newRow("2") << 2 << "K2" << "MONO_RAW";
        QTest::newRow("7") << 7 << "K7" << "";
        QTest::newRow("compact form has no name") << 25 << "" << "";
        QTest::newRow("0") << 0 << "" << "";
    }
    void names()
    {
        QFETCH(int, value);
        QTEST(ResultLists::kindName(value), "kind");
        QTEST(ResultLists::formatName(value), "format");
    }
};

QTEST_GUILESS_MAIN(TestResultLists)
#include "tst_resultlists.moc"
