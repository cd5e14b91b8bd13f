#include "core/ScreenFit.h"
#include "app/VersionText.h"

#include <QtTest>

class TestScreenFit : public QObject
{
    Q_OBJECT
private slots:
    void fit_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<float>("scale");
        // 1024 x 768 with a 40-pixel task bar: W 1024, H 598.
        QTest::newRow("1024x768") << QRect(QPoint(0, 0), QPoint(1023, 727)) << 1014 << 601 << 0.787692f;
        QTest::newRow("full hd") << QRect(0, 0, 1920, 1040) << 1300 << 700 << 1.0f;
        QTest::newRow("exactly enough") << QRect(0, 0, 1300, 830) << 1300 << 700 << 1.0f;
        // One pixel short in height: sy < 1 decides.
        QTest::newRow("height short") << QRect(0, 0, 1600, 829) << 1288 << 749 << 0.9985715f;
        // Wide but low screen: the height decides.
        QTest::newRow("wide low") << QRect(0, 0, 2560, 600) << 862 << 520 << 0.6714286f;
        // An offset screen (second monitor) counts only its own size.
        QTest::newRow("offset") << QRect(QPoint(1920, 100), QPoint(2943, 827)) << 1014 << 601 << 0.787692f;
    }
    void fit()
    {
        QFETCH(QRect, available);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(float, scale);
        const ScreenFit f = ScreenFit::fit(available);
        QCOMPARE(f.windowWidth, width);
        QCOMPARE(f.windowHeight, height);
        QVERIFY(qAbs(f.uiScale - scale) < 1e-5f);
    }

    void equalScalesTakeTheVerticalOne()
    {
        // 1040 / 1300 == 560 / 700 == 0.8
        const ScreenFit f = ScreenFit::fit(QRect(0, 0, 1040, 560 + 130));
        QCOMPARE(f.uiScale, 0.8f);
        QCOMPARE(f.windowHeight, 610);
        QCOMPARE(f.windowWidth, 1030);
    }

    void aboutText()
    {
        QCOMPARE(VersionText::aboutText("Zeph SDK 1.2 (virtual)"),
                 QStringLiteral("Glintview version 3.3.0.123\n\nZeph SDK 1.2 (virtual)"));
        QCOMPARE(VersionText::aboutText(QByteArray()), QStringLiteral("Glintview version 3.3.0.123\n\n"));
    }
};

QTEST_GUILESS_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
