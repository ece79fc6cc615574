// How a card's file system is named to its user: as users know it.
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
};

QTEST_GUILESS_MAIN(TestCardInfo)
#include "tst_cardinfo.moc"
