// The compiled-in resources: every file present, each in the format and size
// the program relies on, checked from the bytes up; the encoders behind them;
// and the generator, which must give the same bytes on every run.

#include "resource/ResourceCatalog.h"

#include "BmpWriter.h"
#include "IcoWriter.h"
#include "ToneSynth.h"
#include "WavWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdint>

Q_DECLARE_METATYPE(QVector<resgen::IcoWriter::Entry>)

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Little-endian fields of a byte array; out-of-range reads give `bad` and
// set `ok` to false, so a short file fails the comparison instead of crashing.
struct Bytes
{
    const QByteArray &data;
    bool ok = true;

    std::uint32_t u(int offset, int width)
    {
        if (offset < 0 || offset + width > data.size()) {
            ok = false;
            return 0xDEADBEEFu;
        }
        std::uint32_t v = 0;
        for (int i = width - 1; i >= 0; --i)
            v = (v << 8) | static_cast<std::uint8_t>(data[offset + i]);
        return v;
    }
    std::uint32_t u8(int o) { return u(o, 1); }
    std::uint32_t u16(int o) { return u(o, 2); }
    std::uint32_t u32(int o) { return u(o, 4); }
    std::int32_t i32(int o) { return static_cast<std::int32_t>(u(o, 4)); }
    std::int16_t i16(int o) { return static_cast<std::int16_t>(u(o, 2)); }
    QByteArray tag(int o) { return o >= 0 && o + 4 <= data.size() ? data.mid(o, 4) : (ok = false, QByteArray()); }
};

struct Wave
{
    int format = 0, channels = 0, sampleRate = 0, byteRate = 0, blockAlign = 0, bits = 0;
    QVector<std::int16_t> samples;
    QString error;
};

// Walks the RIFF chunks instead of assuming a 44-byte header.
Wave parseWave(const QByteArray &data)
{
    Wave w;
    Bytes b{data};
    if (b.tag(0) != "RIFF" || b.tag(8) != "WAVE") {
        w.error = "not RIFF/WAVE";
        return w;
    }
    if (b.u32(4) != static_cast<std::uint32_t>(data.size() - 8)) {
        w.error = "RIFF size does not match the file";
        return w;
    }
    bool haveFmt = false;
    int offset = 12;
    while (offset + 8 <= data.size()) {
        const QByteArray id = b.tag(offset);
        const std::uint32_t size = b.u32(offset + 4);
        const int body = offset + 8;
        if (size > static_cast<std::uint32_t>(data.size() - body)) {
            w.error = "chunk " + QString::fromLatin1(id) + " runs past the end";
            return w;
        }
        if (id == "fmt ") {
            if (size < 16) {
                w.error = "fmt chunk too short";
                return w;
            }
            w.format = b.u16(body);
            w.channels = b.u16(body + 2);
            w.sampleRate = static_cast<int>(b.u32(body + 4));
            w.byteRate = static_cast<int>(b.u32(body + 8));
            w.blockAlign = b.u16(body + 12);
            w.bits = b.u16(body + 14);
            haveFmt = true;
        } else if (id == "data") {
            if (!haveFmt) {
                w.error = "data before fmt";
                return w;
            }
            for (std::uint32_t i = 0; i + 1 < size; i += 2)
                w.samples.append(b.i16(body + static_cast<int>(i)));
            return w;
        }
        offset = body + static_cast<int>(size + (size & 1));
    }
    w.error = "no data chunk";
    return w;
}

int zeroCrossings(const QVector<std::int16_t> &s, int from, int to)
{
    int n = 0;
    for (int i = from + 1; i < to; ++i)
        n += (s[i - 1] < 0) != (s[i] < 0);
    return n;
}

QVector<std::int16_t> samplesOf(const QString &resource)
{
    return parseWave(readAll(resource)).samples;
}

QSet<QString> filesBelow(const QString &root)
{
    QSet<QString> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(QDir(root).relativeFilePath(it.next()));
    return files;
}

int runGenerator(const QStringList &args, QString *stderrText = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(GLINT_RESGEN_PATH), args);
    if (!p.waitForFinished(60000))
        return -1;
    if (stderrText)
        *stderrText = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class TstResources : public QObject
{
    Q_OBJECT

private slots:
    void everyResourceIsCompiledIn();
    void imagesHaveTheirFormatAndSize_data();
    void imagesHaveTheirFormatAndSize();
    void resultBitmapHeaders_data();
    void resultBitmapHeaders();
    void resultPicturesShowTheirVerdict_data();
    void resultPicturesShowTheirVerdict();
    void soundsAreShortCleanPcm_data();
    void soundsAreShortCleanPcm();
    void soundsAreDistinct();
    void timeoutFallsAndSitsBelowCapture();
    void applicationIconHasEverySize();

    void bmpWriterPadsRowsBottomUp_data();
    void bmpWriterPadsRowsBottomUp();
    void icoWriterRejectsBadEntries_data();
    void icoWriterRejectsBadEntries();
    void icoWriterDirectory();
    void wavWriterFields();
    void synthHitsItsPeakAndStartsAndEndsSilent_data();
    void synthHitsItsPeakAndStartsAndEndsSilent();

    void generatorRepeatsItselfByteForByte();
    void generatorRefusesBadUse_data();
    void generatorRefusesBadUse();
};

void TstResources::everyResourceIsCompiledIn()
{
    QSet<QString> present;
    QDirIterator it(":/resource", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        present.insert(it.next());
    const QStringList catalog = ResourceCatalog::allPaths();
    QCOMPARE(catalog.size(), 21);
    const QSet<QString> expected(catalog.begin(), catalog.end());
    QCOMPARE(present - expected, QSet<QString>());
    QCOMPARE(expected - present, QSet<QString>());
    QCOMPARE(ResourceCatalog::resultPicture("ACCESSDENIED"), QString(":/resource/image/ACCESSDENIED.BMP"));
}

void TstResources::imagesHaveTheirFormatAndSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("minWidth");
    QTest::addColumn<int>("maxWidth");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("alpha");
    QTest::newRow("play") << ":/resource/icon/play.png" << QByteArray("png") << 16 << 48 << -1 << true;
    QTest::newRow("next") << ":/resource/icon/next.png" << QByteArray("png") << 16 << 48 << -1 << true;
    // The banner is tiled behind a window up to 1300 pixels wide.
    QTest::newRow("banner") << ":/resource/image/banner.png" << QByteArray("png") << 1300 << 4096 << 40 << false;
    QTest::newRow("banner_bino") << ":/resource/image/banner_bino.png" << QByteArray("png") << 1300 << 4096 << 40
                                 << false;
    for (const QString &name : ResourceCatalog::resultPictureNames()) {
        QTest::newRow(qPrintable(name + ".BMP"))
            << ResourceCatalog::resultPicture(name) << QByteArray("bmp") << 640 << 640 << 240 << false;
        QTest::newRow(qPrintable(name + ".PNG"))
            << ":/resource/image/" + name + ".PNG" << QByteArray("png") << 640 << 640 << 240 << false;
    }
}

void TstResources::imagesHaveTheirFormatAndSize()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(int, minWidth);
    QFETCH(int, maxWidth);
    QFETCH(int, height);
    QFETCH(bool, alpha);

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QVERIFY(image.width() >= minWidth && image.width() <= maxWidth);
    QCOMPARE(image.height(), height < 0 ? image.width() : height);
    QCOMPARE(image.hasAlphaChannel(), alpha);
    if (alpha) {
        // A glyph has a transparent surround and an opaque body.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    }
}

void TstResources::resultBitmapHeaders_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : ResourceCatalog::resultPictureNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TstResources::resultBitmapHeaders()
{
    QFETCH(QString, name);
    const QByteArray data = readAll(ResourceCatalog::resultPicture(name));
    Bytes b{data};
    const std::uint32_t stride = 640 * 3; // already a multiple of four
    QCOMPARE(data.left(2), QByteArray("BM"));
    QCOMPARE(b.u32(2), 54u + stride * 240u); // file size
    QCOMPARE(static_cast<std::uint32_t>(data.size()), 54u + stride * 240u);
    QCOMPARE(b.u16(6), 0u);
    QCOMPARE(b.u16(8), 0u);
    QCOMPARE(b.u32(10), 54u); // pixel offset
    QCOMPARE(b.u32(14), 40u); // information header size
    QCOMPARE(b.i32(18), 640);
    QCOMPARE(b.i32(22), 240); // positive: bottom-up
    QCOMPARE(b.u16(26), 1u);  // planes
    QCOMPARE(b.u16(28), 24u); // bits per pixel
    QCOMPARE(b.u32(30), 0u);  // uncompressed
    QCOMPARE(b.u32(34), stride * 240u);
    QVERIFY(b.i32(38) > 0 && b.i32(42) > 0); // resolution given
    QCOMPARE(b.u32(46), 0u);                 // no palette
    QCOMPARE(b.u32(50), 0u);
    QVERIFY(b.ok);

    // The bitmap and its PNG twin are the same picture, pixel for pixel: the
    // rows are not upside down and the channels not swapped.
    const QImage bmp = QImage(ResourceCatalog::resultPicture(name)).convertToFormat(QImage::Format_RGB32);
    const QImage png = QImage(":/resource/image/" + name + ".PNG").convertToFormat(QImage::Format_RGB32);
    QVERIFY(!bmp.isNull() && !png.isNull());
    QCOMPARE(bmp, png);
    // The last stored row is the top row of the picture, blue-green-red.
    const QRgb topLeft = png.pixel(0, 0);
    const int lastRow = 54 + static_cast<int>(stride) * 239;
    QCOMPARE(b.u8(lastRow + 0), static_cast<std::uint32_t>(qBlue(topLeft)));
    QCOMPARE(b.u8(lastRow + 1), static_cast<std::uint32_t>(qGreen(topLeft)));
    QCOMPARE(b.u8(lastRow + 2), static_cast<std::uint32_t>(qRed(topLeft)));
}

void TstResources::resultPicturesShowTheirVerdict_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("success");
    for (const QString &name : ResourceCatalog::resultPictureNames())
        QTest::newRow(qPrintable(name)) << name << !(name.endsWith("DENIED") || name.endsWith("FAILED"));
}

void TstResources::resultPicturesShowTheirVerdict()
{
    QFETCH(QString, name);
    QFETCH(bool, success);
    const QImage image = QImage(ResourceCatalog::resultPicture(name)).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!image.isNull());
    int greenish = 0, reddish = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            greenish += qGreen(c) > qRed(c) + 50 && qGreen(c) > qBlue(c) + 20;
            reddish += qRed(c) > qGreen(c) + 50 && qRed(c) > qBlue(c) + 50;
        }
    }
    // The symbol alone covers well over 10 000 pixels in the verdict's colour.
    if (success) {
        QVERIFY2(greenish > 10000 && reddish < 100, qPrintable(QString("%1 / %2").arg(greenish).arg(reddish)));
    } else {
        QVERIFY2(reddish > 10000 && greenish < 100, qPrintable(QString("%1 / %2").arg(reddish).arg(greenish)));
    }
}

void TstResources::soundsAreShortCleanPcm_data()
{
    QTest::addColumn<QString>("path");
    for (const char *name : {"start-A", "start-F", "capture", "timeout"})
        QTest::newRow(name) << QString(":/resource/sound/%1.wav").arg(name);
}

void TstResources::soundsAreShortCleanPcm()
{
    QFETCH(QString, path);
    const QByteArray data = readAll(path);
    const Wave w = parseWave(data);
    QVERIFY2(w.error.isEmpty(), qPrintable(w.error));
    QCOMPARE(w.format, 1); // PCM
    QCOMPARE(w.channels, 1);
    QCOMPARE(w.bits, 16);
    QVERIFY(w.sampleRate == 22050 || w.sampleRate == 44100);
    QCOMPARE(w.blockAlign, 2);
    QCOMPARE(w.byteRate, w.sampleRate * 2);

    const double seconds = double(w.samples.size()) / w.sampleRate;
    QVERIFY2(seconds > 0.15 && seconds <= 0.8, qPrintable(QString::number(seconds)));
    int peak = 0;
    for (std::int16_t s : w.samples)
        peak = qMax(peak, qAbs(int(s)));
    // Audible, and with headroom: no clipping.
    QVERIFY2(peak > 0.25 * 32767 && peak < 0.9 * 32767, qPrintable(QString::number(peak)));
    // No click at either end: the first and last half millisecond are near silence.
    const int edge = w.sampleRate / 2000;
    for (int i = 0; i < edge; ++i) {
        QVERIFY2(qAbs(int(w.samples[i])) < 0.05 * peak, qPrintable(QString("start %1").arg(i)));
        QVERIFY2(qAbs(int(w.samples[w.samples.size() - 1 - i])) < 0.05 * peak, qPrintable(QString("end %1").arg(i)));
    }
    // Nor anywhere in between: no step steeper than a 4 kHz sine at the peak makes.
    int steepest = 0;
    for (int i = 1; i < w.samples.size(); ++i)
        steepest = qMax(steepest, qAbs(int(w.samples[i]) - int(w.samples[i - 1])));
    const double limit = 2 * M_PI * 4000.0 / w.sampleRate * peak;
    QVERIFY2(steepest < limit, qPrintable(QString("%1 >= %2").arg(steepest).arg(limit)));
}

void TstResources::soundsAreDistinct()
{
    const QStringList names = {"start-A", "start-F", "capture", "timeout"};
    QSet<QByteArray> digests;
    for (const QString &n : names)
        digests.insert(QCryptographicHash::hash(readAll(":/resource/sound/" + n + ".wav"), QCryptographicHash::Sha1));
    QCOMPARE(digests.size(), names.size());
}

void TstResources::timeoutFallsAndSitsBelowCapture()
{
    const QVector<std::int16_t> timeout = samplesOf(":/resource/sound/timeout.wav");
    const QVector<std::int16_t> capture = samplesOf(":/resource/sound/capture.wav");
    QVERIFY(timeout.size() > 1000 && capture.size() > 1000);
    const int half = timeout.size() / 2;
    // Zero crossings per sample stand in for pitch.
    const double early = zeroCrossings(timeout, 0, half) / double(half);
    const double late = zeroCrossings(timeout, half, timeout.size()) / double(timeout.size() - half);
    QVERIFY2(late < early * 0.85, qPrintable(QString("%1 -> %2").arg(early).arg(late)));
    const double bright = zeroCrossings(capture, 0, capture.size()) / double(capture.size());
    QVERIFY2(early < bright / 2, qPrintable(QString("%1 vs %2").arg(early).arg(bright)));
}

void TstResources::applicationIconHasEverySize()
{
    const QString path = ":/resource/icon/corvane.ico";
    const QByteArray data = readAll(path);
    Bytes b{data};
    QCOMPARE(b.u16(0), 0u);
    QCOMPARE(b.u16(2), 1u); // icon
    const int count = static_cast<int>(b.u16(4));
    QCOMPARE(count, 4);
    QSet<int> edges;
    for (int i = 0; i < count; ++i) {
        const int entry = 6 + 16 * i;
        const int edge = b.u8(entry) == 0 ? 256 : static_cast<int>(b.u8(entry));
        QCOMPARE(b.u8(entry + 1), b.u8(entry)); // square
        QCOMPARE(b.u16(entry + 6), 32u);
        const std::uint32_t size = b.u32(entry + 8);
        const std::uint32_t offset = b.u32(entry + 12);
        QVERIFY(offset >= 6u + 16u * count && offset + size <= static_cast<std::uint32_t>(data.size()));
        QCOMPARE(data.mid(static_cast<int>(offset), 8), QByteArray("\x89PNG\r\n\x1a\n", 8));
        const QImage entryImage = QImage::fromData(data.mid(static_cast<int>(offset), static_cast<int>(size)), "PNG");
        QCOMPARE(entryImage.size(), QSize(edge, edge));
        edges.insert(edge);
    }
    QVERIFY(b.ok);
    QCOMPARE(edges, QSet<int>({16, 32, 48, 256}));

    // Qt reads it back, every size.
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("ico"));
    QCOMPARE(reader.imageCount(), 4);
    QSet<int> read;
    do {
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QVERIFY(image.hasAlphaChannel());
        read.insert(image.width());
    } while (reader.jumpToNextImage());
    QCOMPARE(read, edges);
    QVERIFY(QIcon(path).availableSizes().size() >= 4);
}

void TstResources::bmpWriterPadsRowsBottomUp_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("stride");
    QTest::newRow("1 px: 3 bytes + 1") << 1 << 4;
    QTest::newRow("2 px: 6 bytes + 2") << 2 << 8;
    QTest::newRow("3 px: 9 bytes + 3") << 3 << 12;
    QTest::newRow("4 px: exact") << 4 << 12;
    QTest::newRow("5 px: 15 bytes + 1") << 5 << 16;
}

void TstResources::bmpWriterPadsRowsBottomUp()
{
    QFETCH(int, width);
    QFETCH(int, stride);
    QImage image(width, 2, QImage::Format_RGB32);
    image.fill(QColor(0x10, 0x20, 0x30));               // top row
    for (int x = 0; x < width; ++x)
        image.setPixel(x, 1, qRgb(0xA1, 0xB2, 0xC3));   // bottom row
    const QByteArray data = resgen::BmpWriter::encode(image);
    Bytes b{data};
    QCOMPARE(resgen::BmpWriter::rowStride(width), stride);
    QCOMPARE(data.size(), 54 + 2 * stride);
    QCOMPARE(b.u32(2), static_cast<std::uint32_t>(data.size()));
    QCOMPARE(b.u32(34), static_cast<std::uint32_t>(2 * stride));
    QCOMPARE(b.i32(18), width);
    QCOMPARE(b.i32(22), 2);
    for (int row = 0; row < 2; ++row) {
        const int start = 54 + row * stride;
        // Stored first: the bottom row.
        const QByteArray bgr = row == 0 ? QByteArray("\xC3\xB2\xA1") : QByteArray("\x30\x20\x10");
        for (int x = 0; x < width; ++x)
            QCOMPARE(data.mid(start + 3 * x, 3), bgr);
        for (int pad = width * 3; pad < stride; ++pad)
            QCOMPARE(b.u8(start + pad), 0u);
    }
    QVERIFY(b.ok);
    QCOMPARE(QImage::fromData(data, "BMP").convertToFormat(QImage::Format_RGB32), image);
}

void TstResources::icoWriterRejectsBadEntries_data()
{
    using Entries = QVector<resgen::IcoWriter::Entry>;
    const QByteArray png = QByteArray("\x89PNG", 4);
    QTest::addColumn<Entries>("entries");
    QTest::newRow("none") << Entries{};
    QTest::newRow("edge 0") << Entries{{0, png}};
    QTest::newRow("edge 257") << Entries{{16, png}, {257, png}};
    QTest::newRow("no data") << Entries{{32, QByteArray()}};
}

void TstResources::icoWriterRejectsBadEntries()
{
    QFETCH(QVector<resgen::IcoWriter::Entry>, entries);
    QVERIFY(resgen::IcoWriter::encode(entries).isEmpty());
}

void TstResources::icoWriterDirectory()
{
    const QByteArray small("abc");
    const QByteArray large("defgh");
    const QByteArray data = resgen::IcoWriter::encode({{16, small}, {256, large}});
    Bytes b{data};
    QCOMPARE(data.size(), 6 + 2 * 16 + 3 + 5);
    QCOMPARE(b.u16(4), 2u);
    QCOMPARE(b.u8(6), 16u);
    QCOMPARE(b.u32(6 + 8), 3u);
    QCOMPARE(b.u32(6 + 12), 38u);
    QCOMPARE(b.u8(22), 0u); // 256 is written as 0
    QCOMPARE(b.u8(23), 0u);
    QCOMPARE(b.u32(22 + 8), 5u);
    QCOMPARE(b.u32(22 + 12), 41u);
    QCOMPARE(data.mid(38), QByteArray("abcdefgh"));
}

void TstResources::wavWriterFields()
{
    const QByteArray data = resgen::WavWriter::encodeMono16({-32768, 0, 32767}, 44100);
    QCOMPARE(data.size(), 44 + 6);
    Bytes b{data};
    QCOMPARE(b.tag(0), QByteArray("RIFF"));
    QCOMPARE(b.u32(4), 42u);
    QCOMPARE(b.tag(12), QByteArray("fmt "));
    QCOMPARE(b.u32(16), 16u);
    QCOMPARE(b.u32(28), 88200u);
    QCOMPARE(b.tag(36), QByteArray("data"));
    QCOMPARE(b.u32(40), 6u);
    QCOMPARE(data.mid(44), QByteArray("\x00\x80\x00\x00\xFF\x7F", 6));
    const Wave w = parseWave(data);
    QVERIFY2(w.error.isEmpty(), qPrintable(w.error));
    QCOMPARE(w.samples, QVector<std::int16_t>({-32768, 0, 32767}));
}

void TstResources::synthHitsItsPeakAndStartsAndEndsSilent_data()
{
    QTest::addColumn<double>("peak");
    QTest::addColumn<int>("notes");
    QTest::addColumn<double>("decay");
    QTest::addColumn<double>("tail");
    QTest::newRow("one note, half scale") << 0.5 << 1 << 0.1 << 0.01;
    QTest::newRow("two overlapping notes, full scale") << 1.0 << 2 << 0.1 << 0.01;
    // Barely decaying and without a silent tail: only the release keeps the end clean.
    QTest::newRow("sustained, cut at its end") << 0.8 << 1 << 100.0 << 0.0;
    QTest::newRow("nothing to play") << 0.5 << 0 << 0.1 << 0.01;
}

void TstResources::synthHitsItsPeakAndStartsAndEndsSilent()
{
    QFETCH(double, peak);
    QFETCH(int, notes);
    QFETCH(double, decay);
    QFETCH(double, tail);
    const int rate = 8000;
    resgen::ToneSynth synth(rate);
    for (int i = 0; i < notes; ++i) {
        resgen::ToneSynth::Note n;
        n.start = 0.05 * i;
        n.duration = 0.25;
        n.fromHz = 440.0 * (i + 1);
        n.toHz = 220.0 * (i + 1);
        n.decay = decay;
        n.partials = {{1.0, 1.0}, {3.0, 0.3}, {20.0, 1.0}}; // the last would alias and is left out
        synth.add(n);
    }
    const QVector<std::int16_t> s = synth.render(peak, tail);
    const int expectedLength = qRound(((notes ? 0.05 * (notes - 1) + 0.25 : 0.0) + tail) * rate);
    QCOMPARE(s.size(), expectedLength);
    if (!notes) {
        QVERIFY(std::all_of(s.begin(), s.end(), [](std::int16_t v) { return v == 0; }));
        return;
    }
    int loudest = 0;
    for (std::int16_t v : s)
        loudest = qMax(loudest, qAbs(int(v)));
    QCOMPARE(loudest, qRound(peak * 32767));
    // The first and last millisecond stay far below the peak: no clicks.
    const int ms = rate / 1000;
    for (int i = 0; i < ms; ++i) {
        QVERIFY2(qAbs(int(s[i])) < 0.1 * loudest, qPrintable(QString("start %1: %2").arg(i).arg(s[i])));
        QVERIFY2(qAbs(int(s[s.size() - 1 - i])) < 0.05 * loudest, qPrintable(QString("end %1: %2").arg(i).arg(s[s.size() - 1 - i])));
    }
}

void TstResources::generatorRepeatsItselfByteForByte()
{
    QTemporaryDir first, second;
    QVERIFY(first.isValid() && second.isValid());
    QString err;
    QCOMPARE(runGenerator({first.path()}, &err), 0);
    QVERIFY2(err.isEmpty() || !err.contains("resgen"), qPrintable(err));
    QCOMPARE(runGenerator({second.path()}), 0);

    const QSet<QString> files = filesBelow(first.path());
    QCOMPARE(filesBelow(second.path()), files);
    QSet<QString> catalog;
    for (const QString &p : ResourceCatalog::allPaths())
        catalog.insert(p.mid(QStringLiteral(":/resource/").size()));
    QCOMPARE(files, catalog);
    for (const QString &f : files) {
        const QByteArray a = readAll(first.filePath(f));
        QVERIFY2(!a.isEmpty(), qPrintable(f));
        QVERIFY2(a == readAll(second.filePath(f)), qPrintable(f + " differs between runs"));
        // And the program carries exactly what the generator makes.
        QVERIFY2(a == readAll(":/resource/" + f), qPrintable(f + " differs from the compiled-in copy"));
    }
}

void TstResources::generatorRefusesBadUse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no folder") << QStringList() << 2 << "usage";
    QTest::newRow("two folders") << QStringList({"a", "b"}) << 2 << "usage";
    // A folder below an ordinary file cannot be created.
    QTest::newRow("unwritable") << QStringList({"@FILE@/sub"}) << 1 << "cannot create";
}

void TstResources::generatorRefusesBadUse()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile blocker(dir.filePath("plain-file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (QString &a : args)
        a.replace("@FILE@", blocker.fileName());
    QString err;
    QCOMPARE(runGenerator(args, &err), exitCode);
    QVERIFY2(err.contains(message), qPrintable(err));
}

QTEST_MAIN(TstResources)
#include "tst_resources.moc"
