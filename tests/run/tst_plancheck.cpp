// Every refusal before a run, for both front ends: which one, in which order, with which
// figures, on the exact boundaries of the space and FAT32 rules.
#include "i18n.h"
#include "plancheck.h"

#include <QtTest>

Q_DECLARE_METATYPE(TestPlan)
Q_DECLARE_METATYPE(TargetFacts)
Q_DECLARE_METATYPE(PlanRefusal::Reason)
Q_DECLARE_METATYPE(CheckStage)

namespace {
constexpr qint64 MiB = 1048576;
constexpr qint64 GiB = 1073741824;
using R = PlanRefusal::Reason;

TestPlan randomPlan(qint64 size, int streams, qint64 block = MiB)
{
    TestPlan p;
    p.target = QStringLiteral("/media/card/");
    p.testSize = size;
    p.streams = streams;
    p.blockSize = block;
    return p;
}

TestPlan fillPlan(qint64 size)
{
    TestPlan p = randomPlan(size, 4);
    p.fill = true;
    return p;
}

// Files are named by their sizes and made in the test's folder; -1 stands for a missing one.
TestPlan filePlan(const QVector<qint64> &sizes)
{
    TestPlan p = randomPlan(GiB, 1);
    p.mode = TestPlan::Mode::Files;
    for (int i = 0; i < sizes.size(); ++i)
        p.files << QStringLiteral("%1:%2").arg(i).arg(sizes[i]);
    return p;
}

TargetFacts card(qint64 freeBytes, qint64 totalBytes)
{
    return TargetFacts{true, true, true, freeBytes, totalBytes};
}
}  // namespace

class TestPlanCheck : public QObject
{
    Q_OBJECT
private slots:
    void refusals_data();
    void refusals();
    void textKeepsArguments();
};

void TestPlanCheck::refusals_data()
{
    QTest::addColumn<TestPlan>("plan");
    QTest::addColumn<TargetFacts>("target");
    QTest::addColumn<CheckStage>("stage");
    QTest::addColumn<PlanRefusal::Reason>("reason");
    QTest::addColumn<QStringList>("args");

    const auto W = CheckStage::BeforeWrite;
    const TargetFacts big = card(60 * GiB, 64 * GiB);
    const TestPlan twoBy2G = randomPlan(2 * GiB, 2);
    TestPlan noDrive = twoBy2G;
    noDrive.target.clear();

    QTest::newRow("no drive listed") << noDrive << big << W << R::NoDrive << QStringList();
    // A card pulled out since the list was made is neither removable nor a folder: the
    // blocked-target refusal comes first and names it.
    QTest::newRow("card pulled out")
        << twoBy2G << TargetFacts() << W << R::NotRemovable << QStringList{"/media/card/"};
    TargetFacts folderless = big;
    folderless.isFolder = false;
    QTest::newRow("target gone") << twoBy2G << folderless << W << R::TargetMissing
                                 << QStringList{"/media/card/"};
    TestPlan conflict = filePlan({MiB});
    conflict.fill = true;
    QTest::newRow("fill wants random data")
        << conflict << big << W << R::ModeConflict << QStringList();
    QTest::newRow("no files") << filePlan({}) << big << W << R::NoFiles << QStringList();
    QTest::newRow("missing before too small")
        << filePlan({10, -1, -1}) << big << W << R::FilesMissing << QStringList{"1\n2"};
    QTest::newRow("every file below a block")
        << filePlan({10, MiB - 1}) << big << W << R::FilesTooSmall << QStringList();
    QTest::newRow("one small file is skipped")
        << filePlan({10, MiB}) << big << W << R::None << QStringList();
    QTest::newRow("size below a block")
        << randomPlan(MiB - 1, 1) << big << W << R::SizeBelowBlock << QStringList();

    // Cards of 32 GiB or less come as FAT32: no file above 3.5 GiB, in whole blocks.
    const TargetFacts fat32 = card(30 * GiB, 32 * GiB);
    QTest::newRow("32G card, 3.5G and a bit")
        << randomPlan(3584 * MiB + 5, 1) << fat32 << W << R::None << QStringList();
    QTest::newRow("32G card, 3.5G + 1 block")
        << randomPlan(3585 * MiB, 1) << fat32 << W << R::Fat32Limit << QStringList();
    QTest::newRow("64G card, 30G")
        << randomPlan(30 * GiB, 1) << big << W << R::None << QStringList();
    QTest::newRow("capacity unknown, 5G")
        << randomPlan(5 * GiB, 1) << TargetFacts{true, true, false, 0, 0} << W << R::None
        << QStringList();
    QTest::newRow("16G card, one big source")
        << filePlan({MiB, 4 * GiB}) << card(15 * GiB, 16 * GiB) << W << R::Fat32Limit
        << QStringList();
    QTest::newRow("FAT32 before the format offer")
        << randomPlan(5 * GiB, 1) << card(0, 16 * GiB) << CheckStage::BeforeFormat << R::Fat32Limit
        << QStringList();

    // Free space, compared with the test's files in whole blocks, figures in whole MB.
    QTest::newRow("exactly enough")
        << twoBy2G << card(4 * GiB, 64 * GiB) << W << R::None << QStringList();
    QTest::newRow("one byte short") << twoBy2G << card(4 * GiB - 1, 64 * GiB) << W << R::LowSpace
                                    << QStringList{"4096", "4095"};
    QTest::newRow("space before the format offer is not asked")
        << twoBy2G << card(0, 64 * GiB) << CheckStage::BeforeFormat << R::None << QStringList();
    QTest::newRow("whole blocks per stream, short")
        << randomPlan(1000000, 3, 65536) << card(45 * 65536 - 1, GiB) << W << R::LowSpace
        << QStringList{"2", "2"};
    QTest::newRow("sources in whole blocks, short")
        << filePlan({MiB + 7, 500, 2 * MiB}) << card(3 * MiB - 1, 16 * GiB) << W << R::LowSpace
        << QStringList{"3", "2"};
    QTest::newRow("space unknown passes")
        << twoBy2G << TargetFacts{true, true, false, 0, 0} << W << R::None << QStringList();
    // The stress mode needs room for one file and sizes itself by the free space.
    QTest::newRow("fill, room for one file")
        << fillPlan(8 * MiB + 5) << card(8 * MiB, 64 * MiB) << W << R::None << QStringList();
    QTest::newRow("fill, no room") << fillPlan(8 * MiB) << card(8 * MiB - 1, 64 * MiB) << W
                                   << R::LowSpace << QStringList{"8", "7"};
    QTest::newRow("fill, space unknown")
        << fillPlan(8 * MiB) << TargetFacts{true, true, false, 0, 0} << W << R::SpaceUnknown
        << QStringList{"/media/card/"};
}

void TestPlanCheck::refusals()
{
    QFETCH(TestPlan, plan);
    QFETCH(TargetFacts, target);
    QFETCH(CheckStage, stage);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // "index:size" names become real files of that size in the test's folder.
    QStringList missing;
    for (QString &name : plan.files) {
        const QString index = name.section(QLatin1Char(':'), 0, 0);
        const qint64 size = name.section(QLatin1Char(':'), 1).toLongLong();
        name = dir.filePath(index);
        if (size < 0) {
            missing << name;
            continue;
        }
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(size));
    }
    const PlanRefusal refusal = checkPlan(plan, target, stage);
    QTEST(refusal.reason, "reason");
    QStringList args = refusal.args;
    // The missing files are named with their full paths, one a line.
    if (!missing.isEmpty())
        args.replaceInStrings(dir.path() + QLatin1Char('/'), QString());
    QTEST(args, "args");
    QCOMPARE(refusal.critical, refusal.reason == R::NotRemovable);
}

void TestPlanCheck::textKeepsArguments()
{
    TestPlan plan = randomPlan(GiB, 1);
    plan.target = QStringLiteral("/media/%2 100%1/");
    I18n::instance()->applyLanguage(English);
    const PlanRefusal refusal = checkPlan(plan, TargetFacts());
    QCOMPARE(refusal.title(), QStringLiteral("Operation blocked"));
    // Filled in one pass: a %N inside the argument is not taken for a place of the text.
    QVERIFY2(refusal.text().startsWith("Target /media/%2 100%1/ is not a removable drive"),
             qPrintable(refusal.text()));
}

QTEST_GUILESS_MAIN(TestPlanCheck)
#include "tst_plancheck.moc"
