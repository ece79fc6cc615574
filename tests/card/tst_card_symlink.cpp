// A symbolic link planted on the card under the name of a test file must not let the test
// write through it to a file elsewhere, nor delete it.
#include "enginerun.h"
#include "loopcard.h"
#include "speedtester.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr int kTimeoutMs = 120000;

enum class Mode { Random, External, RollingFill };

QByteArray someBytes(int size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(20240611);
    for (char &c : bytes)
        c = char(generator.generate() & 0xff);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

Q_DECLARE_METATYPE(Mode)

class CardSymlinkTest : public QObject
{
    Q_OBJECT
private slots:
    void linkUnderTestFileName_data();
    void linkUnderTestFileName();
};

void CardSymlinkTest::linkUnderTestFileName_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("streams");
    QTest::addColumn<QString>("linkName");
    QTest::addColumn<bool>("targetExists");  // false: the link dangles

    // A test file takes another name when its own is taken on the card, so nothing fails.
    QTest::newRow("random, one stream") << Mode::Random << 1 << "__card_speed_test_1.dat" << true;
    QTest::newRow("random, link on the second of two")
        << Mode::Random << 2 << "__card_speed_test_2.dat" << true;
    QTest::newRow("random, dangling link")
        << Mode::Random << 1 << "__card_speed_test_1.dat" << false;
    QTest::newRow("rolling fill, first file") << Mode::RollingFill << 1 << "__roll_0.dat" << true;
    QTest::newRow("file copy, link under the source's name")
        << Mode::External << 1 << "clip.mp4" << true;
}

void CardSymlinkTest::linkUnderTestFileName()
{
    QFETCH(Mode, mode);
    QFETCH(int, streams);
    QFETCH(QString, linkName);
    QFETCH(bool, targetExists);

    LoopCard card(64 * kMiB);
    LOOPCARD_REQUIRE(card);

    const QString outside = card.scratchPath() + QStringLiteral("/precious.bin");
    const QByteArray original = someBytes(256 * 1024);
    if (targetExists)
        QVERIFY(writeFile(outside, original));
    const QString link = card.rootPath() + linkName;
    QVERIFY(QFile::link(outside, link));

    const QString source = card.scratchPath() + QStringLiteral("/clip.mp4");
    QVERIFY(writeFile(source, someBytes(int(4 * kMiB))));

    EngineRun run;
    {
        SpeedTester tester;
        tester.setTargetDir(card.rootPath());
        tester.setBlockSize(kMiB);
        tester.setTestSize(4 * kMiB);
        tester.setStreamCount(streams);
        tester.setReadEnabled(true);
        if (mode == Mode::External)
            tester.setSourceFiles({source});
        if (mode == Mode::RollingFill)
            tester.setRollingFill(4 * kMiB, 16 * kMiB, 1);
        recordEngine(tester, run);
        runEngine(tester, run, kTimeoutMs);
    }
    QVERIFY(run.ended);

    QCOMPARE(run.errors, QStringList());
    QVERIFY(run.logged(mode == Mode::RollingFill ? QStringLiteral("LogRollingDone")
                                                 : QStringLiteral("LogTestDone")));

    const QFileInfo linkInfo(link);
    QVERIFY(linkInfo.isSymLink());
    QCOMPARE(linkInfo.symLinkTarget(), outside);
    QCOMPARE(QFileInfo::exists(outside), targetExists);
    if (targetExists)
        QCOMPARE(readFile(outside), original);
    // The link is all that is left of the test on the card.
    const QStringList left =
        QDir(card.rootPath())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                       QDir::Name);
    QCOMPARE(left, QStringList({linkName, QStringLiteral("lost+found")}));
    QCOMPARE(QDir(card.scratchPath()).entryList(QDir::Files | QDir::System, QDir::Name),
             targetExists
                 ? QStringList({QStringLiteral("clip.mp4"), QStringLiteral("precious.bin")})
                 : QStringList({QStringLiteral("clip.mp4")}));
}

QTEST_GUILESS_MAIN(CardSymlinkTest)
#include "tst_card_symlink.moc"
