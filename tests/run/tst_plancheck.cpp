// Every refusal before a run, for both front ends: which one, in which order, with which
// figures, on the exact boundaries of the space and FAT32 rules; and the file system's name
// as users know it.
#include "cardinfo.h"
#include "i18n.h"
#include "plancheck.h"

#include <QtTest>

#include <tuple>

Q_DECLARE_METATYPE(TestPlan)
Q_DECLARE_METATYPE(TargetFacts)
Q_DECLARE_METATYPE(PlanRefusal::Reason)
Q_DECLARE_METATYPE(CheckStage)

namespace {
constexpr qint64 MiB = 1048576;
constexpr qint64 GiB = 1073741824;
using R = PlanRefusal::Reason;

TestPlan plan(qint64 size, int streams = 1, qint64 block = MiB, bool fill = false)
{
    TestPlan p;
    p.target = "/media/card/";
    std::tie(p.testSize, p.streams, p.blockSize, p.fill) = std::tie(size, streams, block, fill);
    return p;
}

// Files are named by their index and made in the test's folder; -1 stands for a missing one.
TestPlan filePlan(const QVector<qint64> &sizes, bool fill = false)
{
    TestPlan p = plan(GiB, 1, MiB, fill);
    p.mode = TestPlan::Mode::Files;
    for (int i = 0; i < sizes.size(); ++i)
        p.files << QStringLiteral("%1:%2").arg(i).arg(sizes[i]);
    return p;
}

TargetFacts card(qint64 freeBytes, qint64 totalBytes)
{
    return TargetFacts{true, true, true, freeBytes, totalBytes};
}

void row(const char *name, const TestPlan &plan, const TargetFacts &target, R reason,
         const QStringList &args = {}, CheckStage stage = CheckStage::BeforeWrite)
{
    QTest::newRow(name) << plan << target << stage << reason << args;
}
}  // namespace

class TestPlanCheck : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data()
    {
        QTest::addColumn<TestPlan>("plan");
        QTest::addColumn<TargetFacts>("target");
        QTest::addColumn<CheckStage>("stage");
        QTest::addColumn<PlanRefusal::Reason>("reason");
        QTest::addColumn<QStringList>("args");

        const TargetFacts big = card(60 * GiB, 64 * GiB);
        const TargetFacts unknown{true, true, false, 0, 0};
        const TestPlan twoBy2G = plan(2 * GiB, 2);
        TestPlan noDrive = twoBy2G;
        noDrive.target.clear();
        TargetFacts folderless = big;
        folderless.isFolder = false;

        row("no drive listed", noDrive, big, R::NoDrive);
        // A card pulled out since the list was made is neither removable nor a folder: the
        // blocked-target refusal comes first and names it.
        row("card pulled out", twoBy2G, TargetFacts(), R::NotRemovable, {"/media/card/"});
        row("target gone", twoBy2G, folderless, R::TargetMissing, {"/media/card/"});
        row("fill wants random data", filePlan({MiB}, true), big, R::ModeConflict);
        row("no files", filePlan({}), big, R::NoFiles);
        row("missing before too small", filePlan({10, -1, -1}), big, R::FilesMissing, {"1\n2"});
        row("every file below a block", filePlan({10, MiB - 1}), big, R::FilesTooSmall);
        row("one small file is skipped", filePlan({10, MiB}), big, R::None);
        row("size below a block", plan(MiB - 1), big, R::SizeBelowBlock);

        // Cards of 32 GiB or less come as FAT32: no file above 3.5 GiB, in whole blocks.
        const TargetFacts fat32 = card(30 * GiB, 32 * GiB);
        row("32G card, 3.5G and a bit", plan(3584 * MiB + 5), fat32, R::None);
        row("32G card, 3.5G + 1 block", plan(3585 * MiB), fat32, R::Fat32Limit);
        row("64G card, 30G", plan(30 * GiB), big, R::None);
        row("capacity unknown, 5G", plan(5 * GiB), unknown, R::None);
        row("16G card, sources that fit one by one", filePlan({2 * GiB, 2 * GiB}),
            card(15 * GiB, 16 * GiB), R::None);
        row("16G card, one big source", filePlan({MiB, 4 * GiB}), card(15 * GiB, 16 * GiB),
            R::Fat32Limit);
        row("FAT32 before the format offer", plan(5 * GiB), card(0, 16 * GiB), R::Fat32Limit, {},
            CheckStage::BeforeFormat);

        // Free space, compared with the test's files in whole blocks, figures in whole MB.
        row("exactly enough", twoBy2G, card(4 * GiB, 64 * GiB), R::None);
        row("one byte short", twoBy2G, card(4 * GiB - 1, 64 * GiB), R::LowSpace, {"4096", "4095"});
        row("space before the format offer is not asked", twoBy2G, card(0, 64 * GiB), R::None, {},
            CheckStage::BeforeFormat);
        row("whole blocks per stream, short", plan(1000000, 3, 65536), card(45 * 65536 - 1, GiB),
            R::LowSpace, {"2", "2"});
        row("sources in whole blocks, short", filePlan({MiB + 7, 500, 2 * MiB}),
            card(3 * MiB - 1, 16 * GiB), R::LowSpace, {"3", "2"});
        row("space unknown passes", twoBy2G, unknown, R::None);
        // The stress mode needs room for one file and sizes itself by the free space.
        row("fill, room for one file", plan(8 * MiB + 5, 4, MiB, true), card(8 * MiB, 64 * MiB),
            R::None);
        row("fill, no room", plan(8 * MiB, 4, MiB, true), card(8 * MiB - 1, 64 * MiB), R::LowSpace,
            {"8", "7"});
        row("fill, space unknown", plan(8 * MiB, 4, MiB, true), unknown, R::SpaceUnknown,
            {"/media/card/"});
    }

    void refusals()
    {
        QFETCH(TestPlan, plan);
        QFETCH(TargetFacts, target);
        QFETCH(CheckStage, stage);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // "index:size" names become real files of that size in the test's folder.
        for (QString &name : plan.files) {
            const qint64 size = name.section(QLatin1Char(':'), 1).toLongLong();
            name = dir.filePath(name.section(QLatin1Char(':'), 0, 0));
            QFile f(name);
            QVERIFY(size < 0 || (f.open(QIODevice::WriteOnly) && f.resize(size)));
        }
        const PlanRefusal refusal = checkPlan(plan, target, stage);
        QTEST(refusal.reason, "reason");
        // The missing files are named with their full paths as the system writes them, one a line.
        QTEST(QStringList(refusal.args)
                  .replaceInStrings(displayPath(dir.path() + QLatin1Char('/')), QString()),
              "args");
        QCOMPARE(refusal.critical, refusal.reason == R::NotRemovable);
        // A file below one block gets no stream: every stream's file holds a block at least.
        if (refusal.reason == R::None && plan.mode == TestPlan::Mode::Files) {
            for (const StreamSource &s : streamSourcesOf(plan))
                QVERIFY(usableFileBytes(plan, dir.filePath(s.fileName)) > 0);
        }
    }

    void textKeepsArguments()
    {
        TestPlan p = plan(GiB);
        p.target = QStringLiteral("/media/%2 100%1/");
        I18n::instance()->applyLanguage(English);
        const PlanRefusal refusal = checkPlan(p, TargetFacts());
        QCOMPARE(refusal.title(), QStringLiteral("Operation blocked"));
        // Filled in one pass: a %N inside the argument is not taken for a place of the text.
        QVERIFY2(refusal.text().startsWith("Target /media/%2 100%1/ is not a removable drive"),
                 qPrintable(refusal.text()));
    }

    void fileSystemNames()
    {
        const qint64 twoGiB = 2147483648;
        // At 2 GiB and below, or of no known size, vfat may be FAT16: plain FAT is never wrong.
        // Windows names and others stay as they are.
        const std::tuple<const char *, qint64, const char *> rows[] = {
            {"vfat", 32 * twoGiB, "FAT32"}, {"vfat", twoGiB, "FAT"},   {"vfat", 0, "FAT"},
            {"exfat", twoGiB, "exFAT"},     {"ntfs3", twoGiB, "NTFS"}, {"FAT32", twoGiB, "FAT32"},
            {"ext4", twoGiB, "ext4"}};
        for (const auto &[system, total, shown] : rows)
            QCOMPARE(fileSystemName(system, total), QString(shown));
    }

    // The drive's own serial is named; the card's CID serial only where the drive has none.
    void cardSerial()
    {
        I18n::instance()->applyLanguage(English);
        platform::CardIdentity id;
        id.serial = "R1";
        id.cidSerial = "0x1a";
        QCOMPARE(identityText(id), QStringLiteral("serial R1"));
        id.serial.clear();
        QCOMPARE(identityText(id), QStringLiteral("serial 0x1a"));
    }
};

QTEST_GUILESS_MAIN(TestPlanCheck)
#include "tst_plancheck.moc"
