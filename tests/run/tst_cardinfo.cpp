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

    void fileSystemNames()
    {
        const qint64 twoGiB = 2147483648;
        const std::tuple<const char *, qint64, const char *> rows[] = {
            {"vfat", 32 * twoGiB, "FAT32"},
            // At 2 GiB and below it may be FAT16: plain FAT is never wrong.
            {"vfat", twoGiB, "FAT"},
            {"vfat", 0, "FAT"},  // size unknown
            {"exfat", twoGiB, "exFAT"},
            {"ntfs3", twoGiB, "NTFS"},
            {"FAT32", twoGiB, "FAT32"},  // Windows names stay
            {"ext4", twoGiB, "ext4"},
        };
        for (const auto &[system, total, shown] : rows)
            QCOMPARE(fileSystemName(system, total), QString(shown));
    }

    void identityLine()
    {
        platform::CardIdentity usb;
        usb.vendor = "Generic ";
        usb.model = "STORAGE DEVICE";
        usb.serial = "000000001536";
        QCOMPARE(identityText(usb), QStringLiteral("Generic STORAGE DEVICE, serial 000000001536"));
        platform::CardIdentity slot;
        slot.cidManufacturerId = "0x000003";
        slot.cidName = "SD32G";
        slot.cidSerial = "0x1a2b3c4d";
        slot.cidDate = "04/2021";
        QCOMPARE(identityText(slot),
                 QStringLiteral("SD32G, manufacturer 0x000003, serial 0x1a2b3c4d, made 04/2021"));
        QCOMPARE(identityText(platform::CardIdentity()), QString());
    }
};

QTEST_GUILESS_MAIN(TestCardInfo)
#include "tst_cardinfo.moc"
