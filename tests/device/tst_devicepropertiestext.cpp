#include "device/DevicePropertiesText.h"

#include <QtTest>
#include <cstring>

class TestDevicePropertiesText : public QObject
{
    Q_OBJECT
private slots:
    void features_data()
    {
        QTest::addColumn<uint>("features");
        QTest::addColumn<QString>("lines");
        QTest::newRow("none") << 0u << "\t- NONE\r\n";
        QTest::newRow("generation") << 1u << "\t- Template generation\r\n";
        QTest::newRow("comparison") << 2u << "\t- Template comparison\r\n";
        QTest::newRow("both") << 3u << "\t- Template generation\r\n\t- Template comparison\r\n";
        QTest::newRow("other bits only") << 0xFFFFFFFCu << "";
    }
    void features()
    {
        QFETCH(uint, features);
        QFETCH(QString, lines);
        ZephDeviceInfo info{};
        info.productId = 0x0B21;
        std::strcpy(info.productName, "Iris Cam");
        std::strcpy(info.serialNumber, "SN-0001");
        info.propertiesFlag = 0x00100003;
        info.kernelMajor = 2;
        info.kernelMinor = 14;
        info.features = features;
        QCOMPARE(QString::fromStdString(DevicePropertiesText(info)),
                 QStringLiteral("Product ID: 0x0b21\r\nProduct Name: Iris Cam\r\n"
                                "Serial Number: SN-0001\r\nDevice Properties Flag: 0x00100003\r\n"
                                "Kernel Version: 2.14\r\nDevice Features:\r\n")
                     + lines);
    }

    void textsAreReadNoFurtherThanTheirFields()
    {
        // Raw bytes as a device may send them: no NUL in either text, and the
        // bytes after each field are not part of it.
        ZephDeviceInfo info{};
        std::memset(info.productName, 'P', sizeof info.productName);
        info.binocular = 'B';
        std::memset(info.serialNumber, 'S', sizeof info.serialNumber);
        info.propertiesFlag = 0x41414141;
        info.productId = 0x12345;
        const QString text = QString::fromStdString(DevicePropertiesText(info));
        QVERIFY(text.contains(QStringLiteral("Product Name: ") + QString(64, 'P') + "\r\n"));
        QVERIFY(text.contains(QStringLiteral("Serial Number: ") + QString(19, 'S') + "\r\n"));
        QVERIFY(text.startsWith(QStringLiteral("Product ID: 0x12345\r\n")));
        QVERIFY(text.contains(QStringLiteral("Device Properties Flag: 0x41414141\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("\t- NONE\r\n")));
    }
};

QTEST_GUILESS_MAIN(TestDevicePropertiesText)
#include "tst_devicepropertiestext.moc"
