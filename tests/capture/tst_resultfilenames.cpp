#include "capture/ResultFileNames.h"

#include "zeph/zeph.h"

#include <QtTest>

namespace {

const QDateTime kWhen(QDate(2024, 3, 5), QTime(9, 7, 3));
const QString kStamp = QStringLiteral("2024-03-05-09-07-03");

ResultFileNames::Input image(int eye, int kind, int format, uint32_t w = 640, uint32_t h = 480,
                             int rawAsBmp = 1)
{
    ResultFileNames::Input in;
    in.eyeSubtype = eye;
    in.kind = uint8_t(kind);
    in.format = uint8_t(format);
    in.width = w;
    in.height = h;
    in.rawImageAsBmp = rawAsBmp;
    return in;
}

ResultFileNames::Input iso(int revision, int kind, int resultFormat)
{
    ResultFileNames::Input in;
    in.isoRevision = revision;
    in.kind = uint8_t(kind);
    in.resultFormat = resultFormat;
    // What ISO names never use.
    in.eyeSubtype = 1;
    in.format = ZEPH_FORMAT_MONO_RAW;
    in.rawImageAsBmp = 1;
    return in;
}

} // namespace

Q_DECLARE_METATYPE(ResultFileNames::Input)

class TestResultFileNames : public QObject
{
    Q_OBJECT
private slots:
    void names_data()
    {
        QTest::addColumn<ResultFileNames::Input>("input");
        QTest::addColumn<QString>("name"); // the time stamp goes where '@' is
        const int raw = ZEPH_FORMAT_MONO_RAW, j2k = ZEPH_FORMAT_MONO_JPEG2000;

        QTest::newRow("right K2 raw as BMP") << image(1, 2, raw) << "RightEye_K2_640x480_@.bmp";
        QTest::newRow("raw as raw bytes") << image(2, 1, raw, 640, 480, 0) << "LeftEye_K1_640x480_@.raw";
        QTest::newRow("only 1 means BMP") << image(2, 1, raw, 640, 480, 2) << "LeftEye_K1_640x480_@.raw";
        QTest::newRow("width 641") << image(3, 3, raw, 641, 7) << "BothEye_K3_641x7_@.bmp";
        QTest::newRow("unknown eye K7") << image(0, 7, raw, 1, 1) << "UnknownEye_K7_1x1_@.bmp";
        QTest::newRow("eye out of range") << image(9, 7, raw, 1, 1) << "UnknownEye_K7_1x1_@.bmp";
        QTest::newRow("jpeg, no size piece") << image(1, 2, ZEPH_FORMAT_MONO_JPEG) << "RightEye_K2_@.jpg";
        QTest::newRow("jpeg 2000") << image(1, 3, j2k) << "RightEye_K3_@.jp2";
        QTest::newRow("png") << image(2, 1, ZEPH_FORMAT_MONO_PNG) << "LeftEye_K1_@.png";
        QTest::newRow("own raw container") << image(1, 1, ZEPH_FORMAT_CORVANE_RAW) << "RightEye_K1_@.bin";
        QTest::newRow("own jpeg 2000") << image(1, 1, ZEPH_FORMAT_CORVANE_JPEG2000) << "RightEye_K1_@.bin";
        QTest::newRow("unnamed format") << image(1, 1, 99) << "RightEye_K1_@.bin";
        QTest::newRow("compact K7 has no piece outside ISO") << image(1, 24, j2k) << "RightEye_@.jp2";
        QTest::newRow("unnamed kind") << image(1, 5, j2k) << "RightEye_@.jp2";

        QTest::newRow("2005 K2 raw") << iso(1, 2, raw) << "2005_K2_raw_@.iso";
        QTest::newRow("2005 K1 jp2") << iso(1, 1, j2k) << "2005_K1_jp2_@.iso";
        QTest::newRow("2011 K7_1_5") << iso(2, 23, j2k) << "2011_K715_jp2_@.iso";
        QTest::newRow("2011 K7_2_5") << iso(2, 24, j2k) << "2011_K725_jp2_@.iso";
        QTest::newRow("2011 K7_3_5") << iso(2, 25, raw) << "2011_K735_raw_@.iso";
        QTest::newRow("2011 K7_5_0") << iso(2, 26, j2k) << "2011_K750_jp2_@.iso";
        QTest::newRow("2011 K3, format without piece") << iso(2, 3, ZEPH_FORMAT_MONO_PNG) << "2011_K3_@.iso";
        QTest::newRow("2011 unnamed kind") << iso(2, 0, raw) << "2011_raw_@.iso";
    }
    void names()
    {
        QFETCH(ResultFileNames::Input, input);
        QFETCH(QString, name);
        const QString expected = QStringLiteral("/data/out/") + QString(name).replace('@', kStamp);
        QCOMPARE(ResultFileNames::build(QStringLiteral("/data/out"), input, kWhen), expected);
    }

    void timeStamp_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("two digits") << QDateTime(QDate(2031, 12, 31), QTime(23, 59, 59)) << "2031-12-31-23-59-59";
        QTest::newRow("early year") << QDateTime(QDate(987, 6, 7), QTime(0, 0, 0)) << "0987-06-07-00-00-00";
    }
    void timeStamp()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, stamp);
        QCOMPARE(ResultFileNames::build(QStringLiteral("d"), image(1, 2, ZEPH_FORMAT_MONO_PNG), when),
                 QStringLiteral("d/RightEye_K2_%1.png").arg(stamp));
    }

    void folder_data()
    {
        QTest::addColumn<QString>("savedImagePath");
        QTest::addColumn<QString>("folder");
        QTest::newRow("chosen folder") << "/home/op/irises" << "/home/op/irises";
        QTest::newRow("none: Best beside the program") << "" << "/opt/glint/bin/Best";
    }
    void folder()
    {
        QFETCH(QString, savedImagePath);
        QFETCH(QString, folder);
        QCOMPARE(ResultFileNames::outputFolder(savedImagePath, QStringLiteral("/opt/glint/bin")), folder);
    }

    // The operator's folder is taken as it is, even with pattern characters.
    void folderTakenLiterally()
    {
        const QString dir = QStringLiteral("/tmp/%1 %2 %9 50%");
        QCOMPARE(ResultFileNames::build(dir, image(1, 2, ZEPH_FORMAT_MONO_PNG), kWhen),
                 dir + QStringLiteral("/RightEye_K2_") + kStamp + QStringLiteral(".png"));
    }

    void pathLimit_data()
    {
        QTest::addColumn<int>("folderLength");
        QTest::addColumn<bool>("fits");
        // "/RightEye_K2_2024-03-05-09-07-03.png" is 36 units.
        QTest::newRow("299 units fit") << 299 - 36 << true;
        QTest::newRow("300 units refused") << 300 - 36 << false;
    }
    void pathLimit()
    {
        QFETCH(int, folderLength);
        QFETCH(bool, fits);
        const QString dir = QStringLiteral("/") + QString(folderLength - 1, QLatin1Char('d'));
        const ResultFileNames::Input in = image(1, 2, ZEPH_FORMAT_MONO_PNG);
        const QString whole = ResultFileNames::buildUnbounded(dir, in, kWhen);
        QCOMPARE(whole.size(), folderLength + 36);
        QCOMPARE(ResultFileNames::build(dir, in, kWhen), fits ? whole : QString());
    }
};

QTEST_GUILESS_MAIN(TestResultFileNames)
#include "tst_resultfilenames.moc"
