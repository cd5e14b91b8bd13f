#include "capture/BmpWriter.h"

#include <QBuffer>
#include <QtTest>

namespace {

uint32_t le(const QByteArray &b, int offset, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | uint8_t(b.at(offset + i));
    return v;
}

QByteArray picture(uint32_t width, uint32_t height)
{
    QByteArray p(int(width * height), 0);
    for (int i = 0; i < p.size(); ++i)
        p[i] = char((i * 13 + i / int(width) * 29) & 0xFF);
    return p;
}

QByteArray encode(uint32_t width, uint32_t height, const QByteArray &pixels)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!BmpWriter::write(buffer, width, height, reinterpret_cast<const uint8_t *>(pixels.constData()),
                          uint64_t(pixels.size())))
        return QByteArray();
    return out;
}

} // namespace

class TestBmpWriter : public QObject
{
    Q_OBJECT
private slots:
    void headerAndPixelsByteByByte_data()
    {
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::addColumn<int>("row");
        QTest::newRow("3x2") << 3u << 2u << 4;
        QTest::newRow("4x3") << 4u << 3u << 4;
        QTest::newRow("5x2") << 5u << 2u << 8;
        QTest::newRow("6x1") << 6u << 1u << 8;
    }

    // Every byte of the file against the layout, written out field by field.
    void headerAndPixelsByteByByte()
    {
        QFETCH(uint, width);
        QFETCH(uint, height);
        QFETCH(int, row);
        const QByteArray pixels = picture(width, height);
        const QByteArray bmp = encode(width, height, pixels);
        const int imageSize = row * int(height);
        QCOMPARE(bmp.size(), 1078 + imageSize);
        QCOMPARE(BmpWriter::fileSize(width, height), uint64_t(1078 + imageSize));

        QCOMPARE(bmp.left(2), QByteArray("BM"));
        // Offset, width, value: sizes, pixel offset, 8-bit single plane,
        // uncompressed, no resolution, a 256-entry palette.
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

    void refused_data()
    {
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::addColumn<qulonglong>("pixelBytes");
        QTest::newRow("data one byte short") << 640u << 480u << 307199ull;
        QTest::newRow("width 0") << 0u << 4u << 16ull;
        QTest::newRow("height 0") << 4u << 0u << 16ull;
        QTest::newRow("width past the signed field") << 0x80000000u << 1u << 0x80000000ull;
        QTest::newRow("height past the signed field") << 1u << 0x80000000u << 0x80000000ull;
        QTest::newRow("file just past 32 bits") << 4u << 1073741555u << 4294967296ull;
        QTest::newRow("no pixels at all") << 2u << 2u << 4ull; // given as a null pointer below
    }

    // Refused before any byte is written; the pixels are never read (a fake
    // pointer would fault under the sanitizers if they were).
    void refused()
    {
        QFETCH(uint, width);
        QFETCH(uint, height);
        QFETCH(qulonglong, pixelBytes);
        const uint8_t one = 0;
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        const bool null = QByteArray(QTest::currentDataTag()) == "no pixels at all";
        QVERIFY(!BmpWriter::write(buffer, width, height, null ? nullptr : &one, pixelBytes));
        QCOMPARE(out.size(), 0);
    }

    void limits()
    {
        // The largest that still fits: row 65536 × 65535 + 1078 < 2^32.
        QCOMPARE(BmpWriter::fileSize(65535, 65535), uint64_t(1078) + uint64_t(65536) * 65535);
        QCOMPARE(BmpWriter::fileSize(4, 1073741554), uint64_t(0xFFFFFFFF) - 1);
        QCOMPARE(BmpWriter::fileSize(4, 1073741555), uint64_t(0));
        QCOMPARE(BmpWriter::fileSize(0x7FFFFFFF, 1), uint64_t(1078) + 0x80000000u);
        QCOMPARE(BmpWriter::paddedRowSize(0xFFFFFFFFu), uint64_t(0x100000000));
    }

    void failingDeviceReported()
    {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::ReadOnly);
        const QByteArray pixels = picture(4, 4);
        QVERIFY(!BmpWriter::write(buffer, 4, 4, reinterpret_cast<const uint8_t *>(pixels.constData()), 16));
    }
};

QTEST_GUILESS_MAIN(TestBmpWriter)
#include "tst_bmpwriter.moc"
