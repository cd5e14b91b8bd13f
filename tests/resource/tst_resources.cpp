// The compiled-in resources: every file present, each in the format and size
// the program relies on (read back by Qt, which is how the program loads
// them; the sounds also from the bytes up), and the generator, which must
// give the same bytes on every run.

#include "resource/ResourceCatalog.h"
#include "support/FileBytes.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>


namespace {

// The 44-byte header of our mono 16-bit PCM files, for `size` bytes of
// samples at `rate`.
QByteArray waveHeader(quint32 rate, quint32 size)
{
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << size + 36;
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << size;
    return header;
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
    // The menu bar's background, tiled behind a window up to 1300 pixels
    // wide (the other PNG files the program never loads).
    void bannerHasItsFormatAndSize()
    {
        QImageReader reader(":/resource/image/banner_bino.png");
        reader.setDecideFormatFromContent(true);
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QVERIFY(image.width() >= 1300 && image.width() <= 4096);
        QCOMPARE(image.height(), 40);
    }

    void resultPictures_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : ResourceCatalog::resultPictureNames())
            QTest::newRow(qPrintable(name)) << name;
    }
    void resultPictures()
    {
        QFETCH(QString, name);
        const QByteArray data = readAll(ResourceCatalog::resultPicture(name));
        QCOMPARE(data.size(), 54 + 640 * 3 * 240); // rows already a multiple of four
        QCOMPARE(data.mid(18, 8), QByteArray("\x80\x02\0\0\xF0\0\0\0", 8)); // 640 x 240

        // The bitmap and its PNG twin are the same picture, pixel for pixel: the
        // rows are not upside down and the channels not swapped.
        const QImage image = QImage(ResourceCatalog::resultPicture(name)).convertToFormat(QImage::Format_RGB32);
        const QImage png = QImage(":/resource/image/" + name + ".PNG").convertToFormat(QImage::Format_RGB32);
        QVERIFY(!image.isNull() && !png.isNull());
        QCOMPARE(image, png);
    }

    // Four short, audible, different tones that start and end quietly.
    void sounds()
    {
        QSet<QByteArray> digests;
        for (const QString name : {"start-A", "start-F", "capture", "timeout"}) {
            const QByteArray data = readAll(":/resource/sound/" + name + ".wav");
            digests.insert(QCryptographicHash::hash(data, QCryptographicHash::Sha1));
            QVERIFY2(data.size() > 44, qPrintable(name));
            const quint32 rate = qFromLittleEndian<quint32>(data.constData() + 24);
            QVERIFY2(rate == 22050 || rate == 44100, qPrintable(name));
            QCOMPARE(data.left(44), waveHeader(rate, quint32(data.size() - 44)));
            QVector<qint16> s;
            int peak = 0;
            for (int i = 44; i + 1 < data.size(); i += 2) {
                s.append(qFromLittleEndian<qint16>(data.constData() + i));
                peak = qMax(peak, qAbs(int(s.last())));
            }
            const double seconds = double(s.size()) / rate;
            QVERIFY2(seconds > 0.15 && seconds <= 0.8, qPrintable(QString("%1: %2 s").arg(name).arg(seconds)));
            // Audible, and with headroom: no clipping.
            QVERIFY2(peak > 0.25 * 32767 && peak < 0.9 * 32767, qPrintable(QString("%1: %2").arg(name).arg(peak)));
            // No click at either end: both far below the peak.
            QVERIFY2(qAbs(int(s.first())) < 0.1 * peak && qAbs(int(s.last())) < 0.05 * peak, qPrintable(name));
        }
        QCOMPARE(digests.size(), 4);
    }

    void applicationIconHasEverySize()
    {
        const QString path = ":/resource/icon/corvane.ico";
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("ico"));
        QSet<int> read;
        do {
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
            QVERIFY(image.hasAlphaChannel() && image.height() == image.width());
            read.insert(image.width());
        } while (reader.jumpToNextImage());
        QCOMPARE(read, QSet<int>({16, 32, 48, 256}));
    }

    // A run gives exactly the catalog's files, byte for byte what the program
    // carries compiled in (made by another run, at build time), nothing more.
    void generatorMatchesWhatIsCompiledIn()
    {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QString err;
        QCOMPARE(runGenerator({out.path()}, &err), 0);
        QVERIFY2(err.isEmpty() || !err.contains("resgen"), qPrintable(err));

        QSet<QString> catalog;
        for (const QString &p : ResourceCatalog::allPaths())
            catalog.insert(p.mid(QStringLiteral(":/resource/").size()));
        const QSet<QString> files = filesBelow(out.path());
        QCOMPARE(files, catalog);
        QCOMPARE(filesBelow(":/resource"), catalog);
        for (const QString &f : files) {
            const QByteArray a = readAll(out.filePath(f));
            QVERIFY2(!a.isEmpty(), qPrintable(f));
            QVERIFY2(a == readAll(":/resource/" + f), qPrintable(f + " differs from the compiled-in copy"));
        }
    }

    // A folder that cannot be made is a failure, not a silent success.
    void generatorRefusesAnUnwritableFolder()
    {
        QString err;
        QCOMPARE(runGenerator({"/dev/null/sub"}, &err), 1);
        QVERIFY2(err.contains("cannot create"), qPrintable(err));
    }
};

QTEST_MAIN(TstResources)
#include "tst_resources.moc"
