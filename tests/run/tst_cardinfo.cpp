// How a card is named to its user: file system names as users know them, and what the
// kernel tells of the card on one line.
#include "cardinfo.h"
#include "i18n.h"

#include <QtTest>

class TestCardInfo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { I18n::instance()->applyLanguage(English); }

    void fileSystemNames_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("shown");
        const qint64 twoGiB = 2147483648;
        QTest::newRow("vfat on a 32 GB card") << "vfat" << 32 * twoGiB << "FAT32";
        // At 2 GiB and below it may be FAT16: plain FAT is never wrong.
        QTest::newRow("vfat at 2 GiB") << "vfat" << twoGiB << "FAT";
        QTest::newRow("vfat, size unknown") << "vfat" << qint64(0) << "FAT";
        QTest::newRow("exfat") << "exfat" << 64 * twoGiB << "exFAT";
        QTest::newRow("ntfs3") << "ntfs3" << twoGiB << "NTFS";
        QTest::newRow("Windows names stay") << "FAT32" << twoGiB << "FAT32";
        QTest::newRow("others stay") << "ext4" << twoGiB << "ext4";
    }
    void fileSystemNames()
    {
        QFETCH(QString, system);
        QFETCH(qint64, total);
        QTEST(fileSystemName(system, total), "shown");
    }

    void identityLine_data()
    {
        QTest::addColumn<QStringList>("fields");  // vendor model serial manfid name cidSerial date
        QTest::addColumn<QString>("line");
        QTest::newRow("USB reader")
            << QStringList{"Generic ", "STORAGE DEVICE", "000000001536", "", "", "", ""}
            << "Generic STORAGE DEVICE, serial 000000001536";
        QTest::newRow("SD card in a slot")
            << QStringList{"", "", "", "0x000003", "SD32G", "0x1a2b3c4d", "04/2021"}
            << "SD32G, manufacturer 0x000003, serial 0x1a2b3c4d, made 04/2021";
        QTest::newRow("nothing known") << QStringList{"", "", "", "", "", "", ""} << "";
    }
    void identityLine()
    {
        QFETCH(QStringList, fields);
        platform::CardIdentity id;
        std::string *parts[] = {&id.vendor,  &id.model,     &id.serial, &id.cidManufacturerId,
                                &id.cidName, &id.cidSerial, &id.cidDate};
        for (int i = 0; i < 7; ++i)
            *parts[i] = fields[i].toStdString();
        QTEST(identityText(id), "line");
    }
};

QTEST_GUILESS_MAIN(TestCardInfo)
#include "tst_cardinfo.moc"
