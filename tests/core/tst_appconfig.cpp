// Config.xml through AppConfig and ConfigFile, in a temporary folder that
// stands for the executable's directory: what loads from files of every
// kind, what the checks make of the thresholds, and what is written back,
// byte for byte.

#include "core/AppConfig.h"
#include "core/ConfigFile.h"
#include "platform/AtomicFile.h"
#include "support/FileBytes.h"
#include "support/FullDisk.h"
#include "xml/Xml.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace {

const QByteArray kHeader = QByteArray("\xEF\xBB\xBF") + "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
const QByteArray kRootOnly = kHeader + "<Halvern_Demo_Options/>\n";

QByteArray options(const QByteArray &groups)
{
    return kHeader + "<Halvern_Demo_Options>\n" + groups + "</Halvern_Demo_Options>\n";
}

QByteArray thresholds(const QByteArray &genuine, const QByteArray &imposter, const QByteArray &more = {})
{
    return options("<MATCHING_OPTION genuineThreshold=\"" + genuine + "\" imposterThreshold=\"" + imposter + "\"/>"
                   + more);
}

// Every loaded field by its key, as text.
QMap<QString, QString> fields(const AppSettings &s)
{
    const auto n = [](auto v) {
        if constexpr (std::is_floating_point_v<decltype(v)>)
            return QString::number(double(v));
        else
            return QString::number(qlonglong(v));
    };
    const auto &u = s.usbResultOptions;
    return {{"commStd", n(s.sdkConfig.commStd)}, {"enableLog", n(s.sdkConfig.enableLog)},
            {"uartBaudrate", n(s.sdkConfig.uartBaudrate)}, {"captureMode", n(s.captureMode)},
            {"frameCount", n(s.frameCount)}, {"captureSeconds", n(s.captureSeconds)},
            {"operationMode", n(s.operationMode)}, {"qualityMode", n(s.qualityMode)},
            {"enableStream", n(s.deviceConfig.enableStream)}, {"streamScale", n(s.deviceConfig.streamScale)},
            {"streamFormat", n(s.deviceConfig.streamFormat)}, {"jpegQuality", n(s.jpegQuality)},
            {"resultKind", n(s.resultKind)}, {"resultFormat", n(s.resultFormat)}, {"j2kQuality", n(s.j2kQuality)},
            {"capturedResultTimeout", n(s.capturedResultTimeout)},
            {"usb", QStringLiteral("%1/%2/%3/%4").arg(u.resultKind).arg(u.isoRevision).arg(u.resultFormat)
                        .arg(u.j2kQuality)},
            {"noCaptureOptions", n(s.noCaptureOptions)}, {"import", n(s.galleryImport)},
            {"irisDataBaseLength", n(qstrlen(s.irisDataBase))}, {"genuine", n(s.genuineThreshold)},
            {"imposter", n(s.imposterThreshold)}, {"qualifiedScoreForMatching", n(s.qualifiedScoreForMatching)},
            {"badScoreForMatching", n(s.badScoreForMatching)},
            {"qualifiedUsableAreaForMatching", n(s.qualifiedUsableAreaForMatching)},
            {"badUsableAreaForMatching", n(s.badUsableAreaForMatching)},
            {"qualifiedScoreForEnrollment", n(s.qualifiedScoreForEnrollment)},
            {"rejectedScoreForEnrollment", n(s.rejectedScoreForEnrollment)},
            {"qualifiedUsableAreaForEnrollment", n(s.qualifiedUsableAreaForEnrollment)},
            {"rejectedUsableAreaForEnrollment", n(s.rejectedUsableAreaForEnrollment)}};
}

// What one run of the program holds.
struct Run
{
    AppSettings s;
    ConfigFile file;
};

} // namespace

class TestAppConfig : public QObject
{
    Q_OBJECT

    QString configPath() const { return m_dir->filePath(QStringLiteral("Config.xml")); }
    bool load(Run &r) const { return AppConfig::load(r.s, r.file, m_dir->path()); }
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        glint::xml::resetOptions();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected"); // key=value, blank separated

        const QString defaults = "commStd=1 enableLog=1 uartBaudrate=115200 captureMode=1 frameCount=3 "
                                 "captureSeconds=20 capturedResultTimeout=30 genuine=1 imposter=1.1 "
                                 "qualifiedScoreForMatching=50 badScoreForMatching=30 qualifiedScoreForEnrollment=70 "
                                 "rejectedScoreForEnrollment=50 usb=3/0/2/100";
        QTest::newRow("missing") << QByteArray() << defaults + " noCaptureOptions=1";
        QTest::newRow("empty") << QByteArray("") << defaults + " noCaptureOptions=1";
        QTest::newRow("partial") << options("<ZephConfig commStd=\"2\"/>")
                                 << "commStd=2 enableLog=1 noCaptureOptions=1 usb=3/0/2/100";
        QTest::newRow("foreign elements and keys")
            << options("<FOO bar=\"1\"/><CAPTURE_OPTION other=\"x\" captureMode=\"2\"/><BAR/>")
            << "captureMode=2 noCaptureOptions=0 captureSeconds=20";
        QTest::newRow("names in any case")
            << QByteArray("<halvern_demo_options><zephconfig COMMSTD=\"2\" EnableLog=\"5\" uartbaudrate=\"9600\"/>"
                          "<capture_option CaptureMode=\"1\"/></halvern_demo_options>")
            << "commStd=2 enableLog=1 uartBaudrate=9600 noCaptureOptions=0 usb=1/0/2/100";
        QTest::newRow("time-based capture") << options("<CAPTURE_OPTION captureMode=\"2\" captureModeParam=\"10\"/>")
                                            << "captureMode=2 captureSeconds=10 frameCount=3";
        QTest::newRow("frame-based capture") << options("<CAPTURE_OPTION captureMode=\"1\" captureModeParam=\"7\"/>")
                                             << "captureMode=1 frameCount=7 captureSeconds=5";
        QTest::newRow("no param") << options("<CAPTURE_OPTION captureMode=\"2\"/>")
                                  << "captureMode=2 frameCount=3 captureSeconds=20";
        QTest::newRow("capture keys")
            << options("<CAPTURE_OPTION operationMode=\"2\" qualityMode=\"0\" enableStream=\"7\" streamScale=\"258\" "
                       "streamFormat=\"6\" jpegQuality=\"300\" resultKind=\"5\" resultFormat=\"6\" j2kQuality=\"80\" "
                       "capturedResultTimeout=\"45\"/>")
            << "operationMode=2 qualityMode=0 enableStream=1 streamScale=2 streamFormat=6 jpegQuality=44 resultKind=5 "
               "resultFormat=6 j2kQuality=80 capturedResultTimeout=45";
        QTest::newRow("gallery") << options("<GALLERY_OPTION import=\"0\" irisDataBase=\"C:\\db\"/>")
                                 << "import=0 irisDataBaseLength=5";
        QTest::newRow("thresholds equal") << thresholds("0.5", "0.5") << "genuine=1 imposter=1.1";
        QTest::newRow("values in range kept")
            << thresholds("0.3", "0.9",
                          "<ENROLLMENT_QUALITY qualifiedScoreForEnrollment=\"90\" rejectedScoreForEnrollment=\"10\"/>")
            << "genuine=0.3 imposter=0.9 qualifiedScoreForEnrollment=90 rejectedScoreForEnrollment=10";
        // A non-positive genuine threshold is replaced first; checking the order
        // before that would have left 1.0 above 0.5.
        QTest::newRow("genuine negative") << thresholds("-1", "0.5") << "genuine=1 imposter=1.1";
        QTest::newRow("lenient decimals") << thresholds(" \t+.25x", "2.50e3") << "genuine=0.25 imposter=2.5";
        QTest::newRow("score pair inverted, usable area pair non-positive")
            << options("<MATCHING_OPTION qualifiedScoreForMatching=\"20\" badScoreForMatching=\"40\" "
                       "qualifiedUsableAreaForMatching=\"0\" badUsableAreaForMatching=\"-5\"/>")
            << "qualifiedScoreForMatching=50 badScoreForMatching=30 qualifiedUsableAreaForMatching=50 "
               "badUsableAreaForMatching=30";
        QTest::newRow("enrollment zero, inverted after fallback")
            << options("<ENROLLMENT_QUALITY qualifiedScoreForEnrollment=\"0\" qualifiedUsableAreaForEnrollment=\"-3\" "
                       "rejectedUsableAreaForEnrollment=\"80\"/>")
            << "qualifiedScoreForEnrollment=70 rejectedScoreForEnrollment=50 qualifiedUsableAreaForEnrollment=70 "
               "rejectedUsableAreaForEnrollment=50";
        QTest::newRow("lenient integers")
            << options("<CAPTURE_OPTION operationMode=\"  +42xyz\" qualityMode=\"-12\" resultKind=\"x\" "
                       "resultFormat=\"99999999999999999999999\" capturedResultTimeout=\"-99999999999999999999\"/>")
            << "operationMode=42 qualityMode=-12 resultKind=0 resultFormat=2147483647 "
               "capturedResultTimeout=-2147483648";
    }

    void load()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        if (!content.isNull())
            QVERIFY(writeAll(configPath(), content));

        Run r;
        QVERIFY(load(r));
        const QMap<QString, QString> got = fields(r.s);
        for (const QString &pair : expected.split(' ', Qt::SkipEmptyParts)) {
            const QString key = pair.section('=', 0, 0);
            QVERIFY2(got.contains(key), qPrintable(key));
            QCOMPARE(key + "=" + got[key], pair);
        }
        QVERIFY(!QFile::exists(configPath() + ".bad"));
        // A missing or empty file is started afresh; a good one is never rewritten.
        QCOMPARE(readAll(configPath()), content.isEmpty() ? kRootOnly : content);
    }

    void brokenFileIsKeptAsBad_data()
    {
        QTest::addColumn<QByteArray>("content");
        // One text the parser refuses (which ones it does is the XML suite's).
        QTest::newRow("unterminated value") << options("\t<ZephConfig commStd=\"2/>\n");
        QTest::newRow("another root") << QByteArray("<Options><ZephConfig commStd=\"2\"/></Options>");
    }

    void brokenFileIsKeptAsBad()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeAll(configPath(), content));
        Run r;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Config.xml: .*replaced"));
        QVERIFY(load(r));
        QCOMPARE(r.s.sdkConfig.commStd, 1);
        QCOMPARE(readAll(configPath() + ".bad"), content);
        QCOMPARE(readAll(configPath()), kRootOnly);
        QVERIFY(r.file.isLoaded());
    }

    // What a save writes: the whole file when the expected text starts with
    // the byte-order mark, else a piece of it; a second run writes it again.
    void save_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("start values")
            << QByteArray()
            << options("\t<ZephConfig commStd=\"1\" enableLog=\"1\" uartBaudrate=\"115200\"/>\n"
                       "\t<CAPTURE_OPTION captureMode=\"1\" captureModeParam=\"3\" operationMode=\"1\" "
                       "qualityMode=\"1\" jpegQuality=\"15\" resultKind=\"3\" resultFormat=\"2\" j2kQuality=\"100\" "
                       "capturedResultTimeout=\"30\"/>\n"
                       "\t<GALLERY_OPTION import=\"1\" irisDataBase=\"\"/>\n"
                       "\t<MATCHING_OPTION genuineThreshold=\"1.00\" imposterThreshold=\"1.10\" "
                       "badScoreForMatching=\"30\" badUsableAreaForMatching=\"30\" qualifiedScoreForMatching=\"50\" "
                       "qualifiedUsableAreaForMatching=\"50\"/>\n"
                       "\t<ENROLLMENT_QUALITY rejectedScoreForEnrollment=\"50\" rejectedUsableAreaForEnrollment=\"50\" "
                       "qualifiedScoreForEnrollment=\"70\" qualifiedUsableAreaForEnrollment=\"70\"/>\n");
        // Attributes stay where the file had them, in whatever case; unknown
        // ones (the streaming keys) survive; new ones are appended. How the
        // tree is kept and laid out otherwise is the XML suite's.
        QTest::newRow("order and foreign content kept")
            << options("<capture_option J2KQUALITY=\"90\" enableStream=\"1\" captureMode=\"1\" streamScale=\"4\"/>")
            << QByteArray("<capture_option J2KQUALITY=\"90\" enableStream=\"1\" captureMode=\"1\" streamScale=\"4\" "
                          "captureModeParam=\"3\" operationMode=\"1\"");
        QTest::newRow("time-based") << options("<CAPTURE_OPTION captureMode=\"2\" captureModeParam=\"10\"/>")
                                    << QByteArray("captureMode=\"2\" captureModeParam=\"10\"");
        QTest::newRow("huge") << options("<MATCHING_OPTION imposterThreshold=\"1" + QByteArray(60, '0') + "\"/>")
                              << QByteArray("imposterThreshold=\"340282346638528859811704183484516925440.00\"");
    }
    void save()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, written);
        if (!content.isNull())
            QVERIFY(writeAll(configPath(), content));
        QByteArray first;
        for (int run = 0; run < 2; ++run) {
            Run r;
            QVERIFY(load(r));
            QVERIFY(AppConfig::save(r.s, r.file));
            const QByteArray saved = readAll(configPath());
            if (run)
                QCOMPARE(saved, first);
            else if (written.startsWith("\xEF\xBB\xBF"))
                QCOMPARE(saved, written);
            else
                QVERIFY2(saved.contains(written), saved.constData());
            first = saved;
        }
    }

    // A crash between write and rename of an earlier run left this behind.
    // (That what a save writes loads back is the load and save rows'.)
    void staleTemporaryGoesAtLoad()
    {
        const QString stale = configPath() + QStringLiteral(".new-%1-aB3dE9").arg(0x7FFFFFF0);
        QVERIFY(writeAll(stale, "<Halvern_Demo_Options/>"));
        Run first;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("removed Config.xml.new-"));
        QVERIFY(load(first));
        QVERIFY(!QFile::exists(stale));
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<qint64>("capacity"); // bytes the disk still takes
        QTest::addColumn<int>("failWith");
        QTest::addColumn<bool>("saved");
        QTest::newRow("full after 100 bytes") << qint64(100) << ENOSPC << false;
        QTest::newRow("interrupted, then room") << qint64(1 << 20) << EINTR << true;
    }

    // A save that fails in any write leaves the previous file byte for byte and
    // nothing beside it; the next start learns of it once.
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(qint64, capacity);
        QFETCH(int, failWith);
        QFETCH(bool, saved);
        const QByteArray before = options("\t<ZephConfig commStd=\"2\" enableLog=\"0\" uartBaudrate=\"9600\"/>\n");
        QVERIFY(writeAll(configPath(), before));
        Run r;
        QVERIFY(load(r));
        r.s.sdkConfig.commStd = 1;

        FullDisk disk{capacity, failWith};
        r.file.setWriter(disk.writer());
        if (!saved) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot replace .*Config.xml: writing stopped"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("settings of this run could not be saved"));
        }
        QCOMPARE(AppConfig::save(r.s, r.file), saved);
        QCOMPARE(readAll(configPath()) == before, !saved);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.xml"});

        Run next;
        QVERIFY(load(next));
        QCOMPARE(next.file.lastSaveFailed(), !saved);
        Run third; // said once only
        QVERIFY(load(third));
        QVERIFY(!third.file.lastSaveFailed());
        QCOMPARE(readAll(configPath()) == before, !saved); // the mark changed no byte

        r.file.setWriter(nullptr); // the next exit goes through
        QVERIFY(AppConfig::save(r.s, r.file));
        QVERIFY(readAll(configPath()).contains("commStd=\"1\""));
    }

    void permissionsSurviveASave_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("owner only") << 0600;
        QTest::newRow("read-only") << 0444; // root replaces it and keeps it read-only
    }

    void permissionsSurviveASave()
    {
        QFETCH(int, mode);
        Run r;
        QVERIFY(load(r));
        const QByteArray before = readAll(configPath());
        QCOMPARE(::chmod(QFile::encodeName(configPath()).constData(), mode_t(mode)), 0);
        const bool writable = ::geteuid() == 0 || (mode & 0200);
        if (!writable) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("may not be written"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be saved"));
        }
        QCOMPARE(AppConfig::save(r.s, r.file), writable);
        QCOMPARE(readAll(configPath()) != before, writable);
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(configPath()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), mode);
    }

    // Exactly as long as fits: 259 characters with "/Config.xml"; one more is
    // refused before anything is read, and the exit's save then writes nothing.
    // (Something other than a file in Config.xml's place is refused by the
    // replace that glintview.tmp shares, device/tst_settingstempfile's.)
    void pathThatDoesNotFit()
    {
        QString dir = m_dir->path() + "/";
        dir += QString(int(ConfigFile::kPathSize) - 1 - dir.size() - 11, 'e');
        QVERIFY(QDir().mkpath(dir));
        Run r;
        QVERIFY(AppConfig::load(r.s, r.file, dir));
        QCOMPARE(qstrlen(r.file.path()), ConfigFile::kPathSize - 1);
        Run longer;
        longer.s.captureMode = 9;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("too long for the path"));
        QVERIFY(!AppConfig::load(longer.s, longer.file, dir + "e"));
        QCOMPARE(longer.s.captureMode, 9);
        QVERIFY(!longer.file.isLoaded());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("nothing loaded"));
        QVERIFY(!longer.file.save());
    }

    // Values longer than the buffers they go to are cut, never overrun.
    void valuesAreCopiedBounded()
    {
        QVERIFY(writeAll(configPath(), options("\t<CAPTURE_OPTION operationMode=\"" + QByteArray(5000, '7')
                                               + "\"/>\n\t<GALLERY_OPTION irisDataBase=\"" + QByteArray(5000, 'p')
                                               + "\"/>\n")));
        Run r;
        QVERIFY(load(r));
        QCOMPARE(r.s.operationMode, 2147483647);
        QCOMPARE(qstrlen(r.s.irisDataBase), size_t(299));

        char small[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
        QCOMPARE(r.file.get("operationMode", "capture_option", small), 1);
        QCOMPARE(QByteArray(small), QByteArray("7777777"));
        QCOMPARE(r.file.found(), 1);
        QCOMPARE(r.file.get("missing", "CAPTURE_OPTION", small), 0);
        QCOMPARE(r.file.found(), 0);
        QCOMPARE(QByteArray(small), QByteArray("7777777")); // left alone

        QVERIFY(AppConfig::save(r.s, r.file));
        QVERIFY(readAll(configPath()).contains("irisDataBase=\"" + QByteArray(299, 'p') + "\""));
    }
};

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
