#include "capture/IsoIrisRecord.h"

#include "IsoRecordBuilder.h"

#include <QtTest>

using namespace IsoRecordBuilder;

namespace {

// What one entry of the image array must hold after parsing.
struct Entry {
    int offset = -1; // of the data in the record; -1: the entry stays empty
    int size = 0;
    int width = 0;
    int height = 0;
    bool noData = false; // an image of length 0: sizes set, no data
};

constexpr Entry kEmpty{};

QByteArray withField(QByteArray record, int offset, uint64_t value, int bytes)
{
    put(record, offset, value, bytes);
    return record;
}

} // namespace

Q_DECLARE_METATYPE(Entry)

class TestIsoIrisRecord : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("revision");
        QTest::addColumn<bool>("startAtLeft");
        QTest::addColumn<int>("result");
        QTest::addColumn<Entry>("right");
        QTest::addColumn<Entry>("left");

        const QByteArray a = pattern(48, 1), b = pattern(30, 2), c = pattern(12, 3);
        const int corrupted = IsoIrisRecord::kImageCorrupted;

        // 2005: sizes from the record header, blocks of 14 + length.
        const QByteArray two2005 = edition2005({{0, 0, a}, {0, 0, b}}, 8, 6);
        QTest::newRow("2005 two eyes") << two2005 << 1 << false << 0
                                       << Entry{45 + 14, 48, 8, 6} << Entry{45 + 14 + 48 + 14, 30, 8, 6};
        QTest::newRow("2005 no image") << edition2005({}, 8, 6) << 1 << false << 0 << kEmpty << kEmpty;
        QTest::newRow("2005 data one byte short")
            << two2005.left(two2005.size() - 1) << 1 << false << corrupted << kEmpty << kEmpty;
        QTest::newRow("2005 count 255, two blocks")
            << withField(two2005, 14, 255, 1) << 1 << false << corrupted << kEmpty << kEmpty;
        QTest::newRow("2005 length ffffffff")
            << withField(two2005, 45 + 10, 0xFFFFFFFF, 4) << 1 << false << corrupted << kEmpty << kEmpty;

        // 2011: sizes per block, blocks of 57 + length.
        const QByteArray two2011 = edition2011({{8, 6, a}, {5, 6, b}});
        QTest::newRow("2011 two eyes") << two2011 << 2 << false << 0
                                       << Entry{16 + 57, 48, 8, 6} << Entry{16 + 57 + 48 + 57, 30, 5, 6};
        QTest::newRow("2011 left only") << edition2011({{6, 2, c}}) << 2 << true << 0
                                        << kEmpty << Entry{73, 12, 6, 2};
        QTest::newRow("2011 three blocks, two taken")
            << edition2011({{8, 6, a}, {5, 6, b}, {2, 6, c}}) << 2 << false << 0
            << Entry{73, 48, 8, 6} << Entry{73 + 48 + 57, 30, 5, 6};
        QTest::newRow("2011 two blocks from the left, one taken") << two2011 << 2 << true << 0
                                                                  << kEmpty << Entry{73, 48, 8, 6};
        QTest::newRow("2011 empty image") << edition2011({{4, 4, QByteArray()}}) << 2 << false << 0
                                          << Entry{73, 0, 4, 4, true} << kEmpty;
        QTest::newRow("no data, a size claimed") << QByteArray() << 2 << false << corrupted << kEmpty << kEmpty;
        QTest::newRow("revision 0 refused") << two2011 << 0 << false << int(IsoIrisRecord::kInvalidParameter)
                                            << kEmpty << kEmpty;
    }

    void parse()
    {
        QFETCH(QByteArray, record);
        QFETCH(int, revision);
        QFETCH(bool, startAtLeft);
        QFETCH(int, result);
        QFETCH(Entry, right);
        QFETCH(Entry, left);

        // The record lives in a buffer of exactly its size; an empty one is no
        // data at all, whatever size it claims.
        std::vector<uint8_t> bytes(record.begin(), record.end());
        const ZephIsoRecord iso{bytes.empty() ? 100u : uint32_t(bytes.size()), bytes.empty() ? nullptr : bytes.data()};
        IsoIrisRecord::Options options;
        options.revision = revision;
        options.resultKind = 4105;
        options.resultFormat = ZEPH_FORMAT_MONO_JPEG2000;
        options.startAtLeft = startAtLeft;

        ZephImage images[2];
        std::memset(images, 0xA5, sizeof images); // stale entries must be wiped
        QCOMPARE(IsoIrisRecord::parse(iso, options, images), result);

        const Entry expected[2] = {right, left};
        for (int i = 0; i < 2; ++i) {
            const ZephImage &image = images[i];
            const Entry &e = expected[i];
            if (e.offset < 0) {
                QVERIFY2(!image.data && image.size == 0 && image.width == 0 && image.height == 0
                             && image.kind == 0 && image.format == 0,
                         qPrintable(QStringLiteral("entry %1 not empty").arg(i)));
                continue;
            }
            QCOMPARE(int(image.width), e.width);
            QCOMPARE(int(image.height), e.height);
            QCOMPARE(int(image.size), e.size);
            QCOMPARE(int(image.kind), 25);
            QCOMPARE(int(image.format), int(ZEPH_FORMAT_MONO_JPEG2000));
            if (e.noData) {
                QVERIFY(!image.data);
                continue;
            }
            QCOMPARE(image.data, bytes.data() + e.offset);
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(image.data), int(image.size)),
                     record.mid(e.offset, e.size));
        }
    }

    void compactKind()
    {
        const int table[][2] = {{7, 7}, {4103, 23}, {4106, 26}, {5, 0}, {4107, 0}};
        for (const auto &row : table)
            QCOMPARE(int(IsoIrisRecord::compactKind(row[0])), row[1]);
    }

    void startsAtLeft()
    {
        const struct {
            int lastResult, isoSubtype;
            bool binocular, left;
        } rows[] = {{ZEPH_ERR_NO_QUALIFIED_RIGHT, 0, true, true}, // right missing
                    {0, 2, true, true},                          // left asked
                    {0, 2, false, false},                        // left asked of a monocular camera
                    {0, 1, true, false}};
        for (const auto &r : rows)
            QCOMPARE(IsoIrisRecord::startsAtLeft(r.lastResult, r.isoSubtype, r.binocular), r.left);
    }
};

QTEST_GUILESS_MAIN(TestIsoIrisRecord)
#include "tst_isoirisrecord.moc"
