// Result files: the BMP writer's bytes, the names, and what the saver writes, replaces and refuses.

#include "capture/ResultSaver.h"

#include "capture/BmpWriter.h"
#include "capture/ResultFileNames.h"
#include "core/LastCapture.h"

#include "IsoRecordBuilder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using IsoRecordBuilder::pattern;

namespace {

// In the evening: the stamp is on a 24-hour clock.
const QDateTime kWhen(QDate(2024, 3, 5), QTime(21, 7, 3));
const QString kStamp = QStringLiteral("2024-03-05-21-07-03");

// An image record over bytes the test keeps alive.
ZephImage record(int kind, int format, uint32_t w, uint32_t h, QByteArray &data)
{
    ZephImage image{};
    image.kind = uint8_t(kind);
    image.format = uint8_t(format);
    image.width = w;
    image.height = h;
    image.data = data.isEmpty() ? nullptr : reinterpret_cast<uint8_t *>(data.data());
    image.size = uint32_t(data.size());
    return image;
}

void fill(ImageSlot &slot, int kind, int format, uint32_t w, uint32_t h, const QByteArray &data)
{
    slot.kind = uint8_t(kind);
    slot.format = uint8_t(format);
    slot.width = w;
    slot.height = h;
    slot.data.assign(data.begin(), data.end());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

uint32_t le(const QByteArray &b, int offset, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | uint8_t(b.at(offset + i));
    return v;
}

QByteArray bmpOf(uint32_t w, uint32_t h, const QByteArray &pixels)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    BmpWriter::write(b, w, h, reinterpret_cast<const uint8_t *>(pixels.constData()), uint64_t(pixels.size()));
    return out;
}

// Every entry of a folder, hidden ones (our temporary files) included.
QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

ResultFileNames::Input image(int eye, int kind, int format, uint32_t w = 640, uint32_t h = 480, int rawAsBmp = 1)
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
    ResultFileNames::Input in = image(1, kind, ZEPH_FORMAT_MONO_RAW); // eye and format unused by ISO names
    in.isoRevision = revision;
    in.resultFormat = resultFormat;
    return in;
}

} // namespace

Q_DECLARE_METATYPE(ResultFileNames::Input)

class TestResultSaver : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_out;

    ResultSaveOptions options(int rawAsBmp = 1) const
    {
        ResultSaveOptions o;
        o.saveBestImage = true;
        o.savedImagePath = m_out;
        o.executableDirectory = m_dir->filePath(QStringLiteral("bin"));
        o.rawImageAsBmp = rawAsBmp;
        return o;
    }
    static ResultSaver saver(const ResultSaveOptions &o)
    {
        return ResultSaver(o, [] { return kWhen; });
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_out = m_dir->filePath(QStringLiteral("out/nested"));
    }
    void cleanup() { m_dir.reset(); }

    // Every byte of the file against the layout, written out field by field; a
    // row of 3 is padded by one, of 4 by none.
    void headerAndPixelsByteByByte()
    {
        for (const uint width : {3u, 4u}) {
            const uint height = 2;
            const int row = 4;
            const QByteArray pixels = pattern(int(width * height), 3);
            const QByteArray bmp = bmpOf(width, height, pixels);
            const int imageSize = row * int(height);
            QCOMPARE(bmp.size(), 1078 + imageSize);

            QCOMPARE(bmp.left(2), QByteArray("BM"));
            // Offset, width, value: sizes, pixel offset, one 8-bit plane,
            // uncompressed, no resolution, 256 colours.
            const struct { int offset, bytes; uint32_t value; } fields[] = {
                {2, 4, uint32_t(1078 + imageSize)}, {6, 4, 0}, {10, 4, 1078}, {14, 4, 40}, {18, 4, width},
                {22, 4, height}, {26, 2, 1}, {28, 2, 8}, {30, 4, 0}, {34, 4, uint32_t(imageSize)}, {38, 4, 0},
                {42, 4, 0}, {46, 4, 256}, {50, 4, 256}};
            for (const auto &f : fields)
                QVERIFY2(le(bmp, f.offset, f.bytes) == f.value, qPrintable(QString("field at %1").arg(f.offset)));
            for (int i = 0; i < 256; ++i)
                QCOMPARE(le(bmp, 54 + 4 * i, 4), uint32_t(i | i << 8 | i << 16));

            // Bottom-up rows, each padded with zeros.
            for (int fileRow = 0; fileRow < int(height); ++fileRow) {
                const int imageRow = int(height) - 1 - fileRow;
                const QByteArray stored = bmp.mid(1078 + fileRow * row, row);
                QCOMPARE(stored.left(int(width)), pixels.mid(imageRow * int(width), int(width)));
                QCOMPARE(stored.mid(int(width)), QByteArray(row - int(width), 0));
            }
        }
    }

    // Refused before a byte is written, the pixels never read (a fake pointer
    // would fault under the sanitizers).
    void refused()
    {
        const uint8_t one = 0;
        const struct {
            uint32_t width, height;
            uint64_t pixelBytes;
            const uint8_t *pixels;
        } rows[] = {{0, 4, 16, &one},                      // width 0
                    {0x80000000u, 1, 0x80000000ull, &one}, // width past the signed field
                    {4, 1073741555u, 4294967296ull, &one}, // file just past 32 bits
                    {2, 2, 4, nullptr}};                   // no pixels at all
        for (const auto &r : rows) {
            QByteArray out;
            QBuffer buffer(&out);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(!BmpWriter::write(buffer, r.width, r.height, r.pixels, r.pixelBytes));
            QCOMPARE(out.size(), 0);
        }
    }

    void limits()
    {
        // The sides that still fit of the refused rows above.
        QCOMPARE(BmpWriter::fileSize(4, 1073741554), uint64_t(0xFFFFFFFF) - 1);
        QCOMPARE(BmpWriter::fileSize(0x7FFFFFFF, 1), uint64_t(1078) + 0x80000000u);
    }

    void failingDeviceReported()
    {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::ReadOnly);
        const QByteArray pixels = pattern(16, 1);
        QVERIFY(!BmpWriter::write(buffer, 4, 4, reinterpret_cast<const uint8_t *>(pixels.constData()), 16));
    }

    // The names the saving tests below do not already show.
    void names_data()
    {
        QTest::addColumn<ResultFileNames::Input>("input");
        QTest::addColumn<QString>("name"); // the time stamp goes where '@' is
        const int raw = ZEPH_FORMAT_MONO_RAW, j2k = ZEPH_FORMAT_MONO_JPEG2000;
        QTest::newRow("only 1 means BMP") << image(2, 1, raw, 640, 480, 2) << "LeftEye_K1_640x480_@.raw";
        QTest::newRow("unnamed format") << image(1, 1, 99) << "RightEye_K1_@.bin";
        QTest::newRow("compact K7 has no piece outside ISO") << image(1, 24, j2k) << "RightEye_@.jp2";
        QTest::newRow("2005 K1 jp2") << iso(1, 1, j2k) << "2005_K1_jp2_@.iso";
        QTest::newRow("2011 K7_1_5") << iso(2, 23, j2k) << "2011_K715_jp2_@.iso";
        QTest::newRow("2011 K3, format without piece") << iso(2, 3, ZEPH_FORMAT_MONO_PNG) << "2011_K3_@.iso";
    }
    void names()
    {
        QFETCH(ResultFileNames::Input, input);
        QFETCH(QString, name);
        const QString dir = QStringLiteral("/data/%1 %2 %9 50%"); // taken as it is, pattern characters and all
        QCOMPARE(ResultFileNames::build(dir, input, kWhen),
                 dir + QLatin1Char('/') + QString(name).replace('@', kStamp));
    }

    // "/RightEye_K2_2024-03-05-21-07-03.png" is 36 units: a path of 299 fits, 300 is refused.
    void pathLimit()
    {
        const ResultFileNames::Input in = image(1, 2, ZEPH_FORMAT_MONO_PNG);
        for (int length : {299, 300}) {
            const QString dir = QStringLiteral("/") + QString(length - 36 - 1, QLatin1Char('d'));
            const QString whole = ResultFileNames::buildUnbounded(dir, in, kWhen);
            QCOMPARE(whole.size(), length);
            QCOMPARE(ResultFileNames::build(dir, in, kWhen), length < 300 ? whole : QString());
        }
    }

    void eachFormat_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rawAsBmp");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        const QByteArray pixels = pattern(7 * 3, 4);
        const QByteArray jpeg = pattern(50, 6); // any bytes: all but raw are written as they are

        QTest::newRow("raw as BMP") << int(ZEPH_FORMAT_MONO_RAW) << 1 << pixels
                                    << "RightEye_K2_7x3_@.bmp" << bmpOf(7, 3, pixels);
        QTest::newRow("raw bytes, just the picture")
            << int(ZEPH_FORMAT_MONO_RAW) << 0 << pixels + QByteArray(5, 'x') << "RightEye_K2_7x3_@.raw" << pixels;
        QTest::newRow("jpeg") << int(ZEPH_FORMAT_MONO_JPEG) << 1 << jpeg << "RightEye_K2_@.jpg" << jpeg;
    }
    void eachFormat()
    {
        QFETCH(int, format);
        QFETCH(int, rawAsBmp);
        QFETCH(QByteArray, data);
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        ResultSaver s = saver(options(rawAsBmp));
        QVERIFY(s.saveResultImage(ZEPH_EYE_RIGHT, record(2, format, 7, 3, data)));
        const QString path = m_out + QLatin1Char('/') + QString(name).replace('@', kStamp);
        QCOMPARE(s.report().filesWritten, QStringList{path});
        QCOMPARE(s.errorText(), QString());
        QCOMPARE(readFile(path), contents);
        QCOMPARE(entries(m_out), QStringList{QFileInfo(path).fileName()}); // no temporary left
    }

    // The record as handed out; a left-only record (entry 0 empty) is named by the kind asked for.
    void isoRecord()
    {
        const struct {
            int resultKind, entryKind;
            const char *stem;
        } rows[] = {{4104, 24, "2011_K725_jp2"}, {4106, 0, "2011_K750_jp2"}};
        QByteArray bytes = IsoRecordBuilder::edition2011({{4, 4, pattern(16, 2)}});
        const ZephIsoRecord iso{uint32_t(bytes.size()), reinterpret_cast<uint8_t *>(bytes.data())};
        for (const auto &row : rows) {
            QByteArray entryData = row.entryKind ? QByteArray(16, 'p') : QByteArray();
            const ZephImage first = record(row.entryKind, ZEPH_FORMAT_MONO_JPEG2000, 4, 4, entryData);
            ResultSaver s = saver(options());
            QVERIFY(s.saveIsoRecord(2, ZEPH_FORMAT_MONO_JPEG2000, row.resultKind, first, iso));
            const QString path = m_out + QStringLiteral("/%1_%2.iso").arg(QLatin1String(row.stem), kStamp);
            QCOMPARE(s.report().filesWritten, QStringList{path});
            QCOMPARE(readFile(path), bytes);
        }
    }

    // '@' in the text is the full path, however long.
    void failures()
    {
        QFile blocker(m_dir->filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where a folder should be
        blocker.close();
        const int raw = ZEPH_FORMAT_MONO_RAW;
        const struct {
            QString folder; // in the test folder
            int format, rawAsBmp, dataSize;
            const char *error;
        } rows[] = {
            {"out", raw, 0, 20, "Failed to write data to file '@'"}, // raw data short of the picture
            {"out", raw, 1, 20, "Failed to save file '@'"},          // BMP data short of the picture
            {"file/sub", ZEPH_FORMAT_MONO_PNG, 1, 21, "Failed to create file '@'"},
            {QString(290, 'f'), raw, 1, 21, "Failed to create file '@'"}, // past the limit: the text cut to the field
        };
        for (const auto &r : rows) {
            ResultSaveOptions o = options(r.rawAsBmp);
            o.savedImagePath = m_dir->filePath(r.folder);
            ResultSaver s = saver(o);
            QByteArray data = pattern(r.dataSize, 1);
            QVERIFY(!s.saveResultImage(ZEPH_EYE_LEFT, record(1, r.format, 7, 3, data)));
            const QString name = r.format == raw
                                     ? QStringLiteral("LeftEye_K1_7x3_%1.%2").arg(kStamp, r.rawAsBmp ? "bmp" : "raw")
                                     : QStringLiteral("LeftEye_K1_%1.png").arg(kStamp);
            const QString text = QString::fromLatin1(r.error).replace('@', o.savedImagePath + QLatin1Char('/') + name);
            QCOMPARE(s.errorText(), text.left(ResultSaver::kErrorTextField - 1));
            QVERIFY(s.report().filesWritten.isEmpty());
            QCOMPARE(entries(o.savedImagePath), QStringList()); // nothing, not even a temporary
        }
    }

    // Saving again in the same second replaces the file; a write failing
    // halfway leaves it whole, no temporary behind.
    void sameNameReplacedOnlyWhole()
    {
        ResultSaver s = saver(options());
        QByteArray first = pattern(500, 1), second = pattern(300, 2);
        QVERIFY(s.saveResultImage(ZEPH_EYE_RIGHT, record(2, ZEPH_FORMAT_MONO_PNG, 1, 1, first)));
        QVERIFY(s.saveResultImage(ZEPH_EYE_RIGHT, record(2, ZEPH_FORMAT_MONO_PNG, 1, 1, second)));
        const QString path = s.report().filesWritten.value(0);
        QCOMPARE(s.report().filesWritten, QStringList({path, path}));
        QCOMPARE(readFile(path), second);
        QCOMPARE(entries(m_out), QStringList{QFileInfo(path).fileName()});

        QByteArray large = pattern(256 * 1024, 3);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit tight = old;
        tight.rlim_cur = 64 * 1024;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const bool ok = s.saveResultImage(ZEPH_EYE_RIGHT, record(2, ZEPH_FORMAT_MONO_PNG, 1, 1, large));
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!ok);
        QCOMPARE(s.errorText(), QStringLiteral("Failed to write data to file '%1'").arg(path));
        QCOMPARE(readFile(path), second);
        QCOMPARE(entries(m_out), QStringList{QFileInfo(path).fileName()});
    }

    // A link planted under the final name is replaced, never written through.
    void linkIsReplacedNotFollowed()
    {
        QVERIFY(QDir().mkpath(m_out));
        const QString victim = m_dir->filePath(QStringLiteral("victim"));
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("keep me");
        v.close();
        const QString path = m_out + QStringLiteral("/RightEye_K1_") + kStamp + QStringLiteral(".png");
        QVERIFY(QFile::link(victim, path));

        ResultSaver s = saver(options());
        QByteArray png = pattern(64, 4);
        QVERIFY(s.saveResultImage(ZEPH_EYE_RIGHT, record(1, ZEPH_FORMAT_MONO_PNG, 16, 8, png)));
        QCOMPARE(readFile(victim), QByteArray("keep me"));
        QVERIFY(!QFileInfo(path).isSymLink());
        QCOMPARE(readFile(path), png);
    }

    void savingOffWritesNothing()
    {
        ResultSaveOptions o = options();
        o.saveBestImage = false;
        ResultSaver s = saver(o);
        QByteArray data = pattern(21, 1);
        QVERIFY(!s.saveResultImage(ZEPH_EYE_RIGHT, record(1, ZEPH_FORMAT_MONO_RAW, 7, 3, data)));
        const ZephIsoRecord iso{uint32_t(data.size()), reinterpret_cast<uint8_t *>(data.data())};
        QVERIFY(!s.saveIsoRecord(2, ZEPH_FORMAT_MONO_RAW, 1, ZephImage{}, iso));
        QCOMPARE(s.errorText(), QString());
        QVERIFY(!QFileInfo::exists(m_out));
    }

    void bestBesideTheProgram()
    {
        ResultSaveOptions o = options();
        o.savedImagePath.clear();
        ResultSaver s = saver(o);
        QByteArray data = pattern(21, 1);
        QVERIFY(s.saveResultImage(ZEPH_EYE_BOTH, record(7, ZEPH_FORMAT_MONO_RAW, 7, 3, data)));
        QCOMPARE(s.report().filesWritten,
                 QStringList{m_dir->filePath(QStringLiteral("bin/Best/BothEye_K7_7x3_")) + kStamp + QStringLiteral(".bmp")});
    }

    // The files in the order written, with whose data (R/L) they hold.
    void lastCapture()
    {
        const struct {
            bool binocular, right, left;
            QStringList names;
        } rows[] = {{true, true, true, {"LeftEye:L", "RightEye:R"}},
                    {true, false, true, {"LeftEye:L"}},
                    {false, true, true, {"UnknownEye:L"}}, // monocular: one file
                    {false, true, false, {"UnknownEye:R"}},
                    {false, false, false, {}}};
        const QByteArray r = pattern(40, 5), l = pattern(40, 6);
        for (const auto &row : rows) {
            LastCapture capture;
            fill(capture.rightImage, 2, ZEPH_FORMAT_MONO_PNG, 16, 8, r);
            fill(capture.leftImage, 2, ZEPH_FORMAT_MONO_PNG, 16, 8, l);
            capture.hasRightImage = row.right;
            capture.hasLeftImage = row.left;
            ResultSaver s = saver(options());
            QVERIFY(s.saveLastCapture(capture, row.binocular));
            const QStringList written = s.report().filesWritten;
            QCOMPARE(written.size(), row.names.size());
            for (int i = 0; i < row.names.size(); ++i) {
                const QStringList parts = row.names.at(i).split(':');
                QCOMPARE(written.at(i), QStringLiteral("%1/%2_K2_%3.png").arg(m_out, parts.at(0), kStamp));
                QCOMPARE(readFile(written.at(i)), parts.at(1) == QLatin1String("R") ? r : l);
            }
        }
    }

    // One text per fetch: the left eye's failure survives the right eye's success.
    void failureSurvivesALaterSuccess()
    {
        LastCapture capture;
        fill(capture.leftImage, 1, ZEPH_FORMAT_MONO_RAW, 7, 3, pattern(20, 1));
        fill(capture.rightImage, 1, ZEPH_FORMAT_MONO_RAW, 7, 3, pattern(21, 1));
        capture.hasLeftImage = capture.hasRightImage = true;
        ResultSaver s = saver(options());
        QVERIFY(!s.saveLastCapture(capture, true));
        QCOMPARE(s.errorText(), QStringLiteral("Failed to save file '%1/LeftEye_K1_7x3_%2.bmp'").arg(m_out, kStamp));
        QCOMPARE(s.report().filesWritten,
                 QStringList{QStringLiteral("%1/RightEye_K1_7x3_%2.bmp").arg(m_out, kStamp)});
    }

    // A pair of UTF-16 units at the edge of the field is not split.
    void errorTextBounded()
    {
        const QString pair = QString::fromUtf8("\xF0\x9F\x91\x81");
        ResultSaver s = saver(options());
        s.setErrorText(QString(298, 'x') + pair);
        QCOMPARE(s.errorText(), QString(298, 'x'));
        s.setErrorText(QString(297, 'x') + pair);
        QCOMPARE(s.errorText(), QString(297, 'x') + pair);
    }
};

QTEST_GUILESS_MAIN(TestResultSaver)
#include "tst_resultsaver.moc"
