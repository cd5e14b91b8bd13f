// The matching work area's plain rules: distance to outcome, the best of
// the 1:N candidates and the enrollee-ID check.

#include "matching/EnrolleeIdCheck.h"
#include "matching/MatchDecision.h"

#include <QtTest>
#include <cstring>
#include <vector>

namespace {

ZephMatchCandidate candidate(const char *id, float distance)
{
    ZephMatchCandidate c{};
    std::memcpy(c.id, id, std::min<std::size_t>(std::strlen(id), sizeof c.id));
    c.distance = distance;
    return c;
}

} // namespace

Q_DECLARE_METATYPE(EnrolleeIdCheck::Verdict)

class TestMatchingRules : public QObject
{
    Q_OBJECT
private slots:
    void verification_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<float>("distance");
        QTest::addColumn<float>("genuine");
        QTest::addColumn<int>("outcome");
        QTest::newRow("identical") << 0 << 0.0f << 1.0f << 9;
        QTest::newRow("just under the limit") << 0 << 0.0159f << 1.0f << 9;
        QTest::newRow("at the limit") << 0 << 0.016f << 1.0f << 10;
        QTest::newRow("at genuine") << 0 << 1.0f << 1.0f << 10;
        QTest::newRow("above genuine") << 0 << 1.0001f << 1.0f << 11;
        QTest::newRow("at imposter") << 0 << 1.1f << 1.0f << 11;
        QTest::newRow("above imposter") << 0 << 1.1001f << 1.0f << 12;
        QTest::newRow("limit beats a low genuine") << 0 << 0.015f << 0.01f << 9;
        QTest::newRow("low genuine, above the limit") << 0 << 0.02f << 0.01f << 11;
        QTest::newRow("wrong eye") << int(ZEPH_ERR_WRONG_EYE_SUBTYPE) << 0.0f << 1.0f << 16;
        QTest::newRow("not found") << int(ZEPH_ERR_ID_NOT_FOUND) << 0.0f << 1.0f << 31;
        QTest::newRow("link") << int(ZEPH_ERR_IO_TIMEOUT) << 0.5f << 1.0f << 31;
    }
    void verification()
    {
        QFETCH(int, result);
        QFETCH(float, distance);
        QFETCH(float, genuine);
        QFETCH(int, outcome);
        MatchThresholds t;
        t.genuine = genuine;
        t.imposter = 1.1f;
        QCOMPARE(int(MatchDecision::verification(result, distance, t)), outcome);
    }

    void identification_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<float>("distance");
        QTest::addColumn<int>("outcome");
        QTest::newRow("exact") << 0 << 0.001f << 1;
        QTest::newRow("at genuine") << 0 << 1.0f << 2;
        QTest::newRow("at imposter") << 0 << 1.1f << 3;
        QTest::newRow("above") << 0 << 1.2f << 4;
        QTest::newRow("nobody") << 0 << MatchDecision::kNoDistance << 4;
        QTest::newRow("failure") << int(ZEPH_ERR_GALLERY_EMPTY) << 0.001f << 31;
    }
    void identification()
    {
        QFETCH(int, result);
        QFETCH(float, distance);
        QFETCH(int, outcome);
        QCOMPARE(int(MatchDecision::identification(result, distance, MatchThresholds{})), outcome);
    }

    void bestCandidate()
    {
        const std::vector<ZephMatchCandidate> two = {candidate("B", 0.7f), candidate("A", 0.5f),
                                                     candidate("C", 0.5f), candidate("D", 0.9f)};
        BestCandidate b = MatchDecision::best(two.data(), int32_t(two.size()));
        QVERIFY(b.found);
        QCOMPARE(b.id, QByteArray("A")); // the first of the two equal ones
        QCOMPARE(b.distance, 0.5f);

        QVERIFY(!MatchDecision::best(two.data(), 0).found);
        QVERIFY(!MatchDecision::best(two.data(), -3).found);
        QVERIFY(!MatchDecision::best(nullptr, 3).found); // a count without an array
        QCOMPARE(MatchDecision::best(nullptr, 3).distance, MatchDecision::kNoDistance);

        // An ID filling its whole field is read no further than the field.
        ZephMatchCandidate full[2]{};
        std::memset(full[0].id, 'Z', sizeof full[0].id);
        full[0].distance = 0.25f;
        full[1] = candidate("Y", 0.3f);
        b = MatchDecision::best(full, 2);
        QCOMPARE(b.id, QByteArray(32, 'Z'));
    }

    void distanceShown()
    {
        QVERIFY(MatchDecision::showsDistance(99.999f));
        QVERIFY(!MatchDecision::showsDistance(100.0f));
        QVERIFY(!MatchDecision::showsDistance(250.0f));
    }

    void enrolment()
    {
        QCOMPARE(int(MatchDecision::enrolment(0)), 0);
        QCOMPARE(int(MatchDecision::enrolment(ZEPH_ERR_DUPLICATE_IRIS)), 18);
        QCOMPARE(int(MatchDecision::enrolment(ZEPH_ERR_GALLERY_FULL)), 31);
    }

    void enrolleeId_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<EnrolleeIdCheck::Verdict>("verdict");
        QTest::addColumn<QByteArray>("id");
        using V = EnrolleeIdCheck;
        QTest::newRow("plain") << "A0001" << V::Accepted << QByteArray("A0001");
        QTest::newRow("surrounding spaces") << "  A1 \t" << V::Accepted << QByteArray("A1");
        QTest::newRow("31 characters") << QString(31, 'x') << V::Accepted << QByteArray(31, 'x');
        QTest::newRow("empty") << "" << V::Empty << QByteArray();
        QTest::newRow("only spaces") << "   " << V::Empty << QByteArray();
        QTest::newRow("32 characters") << QString(32, 'x') << V::TooLong << QByteArray();
        QTest::newRow("inner space") << "A 1" << V::NotAlphanumeric << QByteArray();
        QTest::newRow("hyphen") << "A-1" << V::NotAlphanumeric << QByteArray();
        QTest::newRow("underscore") << "A_1" << V::NotAlphanumeric << QByteArray();
        QTest::newRow("latin-1 letter") << QString::fromUtf8("Jos\xc3\xa9") << V::NotAlphanumeric
                                        << QByteArray();
        QTest::newRow("beyond latin-1") << QString::fromUtf8("A\xe2\x82\xac") << V::NotAlphanumeric
                                        << QByteArray();
    }
    void enrolleeId()
    {
        QFETCH(QString, typed);
        QFETCH(EnrolleeIdCheck::Verdict, verdict);
        QFETCH(QByteArray, id);
        const EnrolleeIdCheck::Result r = EnrolleeIdCheck::check(typed);
        QCOMPARE(r.verdict, verdict);
        QCOMPARE(r.id, id);
    }

    void refusalTexts()
    {
        QCOMPARE(EnrolleeIdCheck::text(EnrolleeIdCheck::TooLong),
                 QStringLiteral("The enrollee ID only has maximum length of 31 characters"));
        QCOMPARE(EnrolleeIdCheck::title(EnrolleeIdCheck::NotAlphanumeric), QStringLiteral("ERROR"));
        QCOMPARE(EnrolleeIdCheck::title(EnrolleeIdCheck::Empty), QStringLiteral("Error"));
    }
};

QTEST_GUILESS_MAIN(TestMatchingRules)
#include "tst_matchingrules.moc"
