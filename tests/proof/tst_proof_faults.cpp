// Cards that fail under the engine, the command-line tool and the window. On the
// fault-injecting file system: an I/O error half-way through writing or reading, a card
// pulled out during a test, and cards that corrupt, wrap round or drop data under
// verification; on a loop card, one that runs out of room. Each ends the run with one error
// or the right data check, the engine's thread ends, and whatever can still be deleted is.
#include "clirunner.h"
#include "enginerecorder.h"
#include "faultmount.h"
#include "loopcard.h"
#include "windowfixture.h"

#include <QPushButton>
#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr unsigned long kTimeoutMs = 60000;

QString describe(const DataCheck &c)
{
    const char *kinds[] = {"none", "wrap-round", "stale", "corrupt", "lost"};
    return QStringLiteral("%1 at %2+%3, %4 sectors wrong, %5 MiB good of %6")
        .arg(kinds[int(c.firstKind)], c.firstFile)
        .arg(c.firstOffset)
        .arg(c.wrongSectors)
        .arg(double(c.goodBytes) / kMiB)
        .arg(double(c.checkedBytes) / kMiB);
}

// The worker's `message` about `path` with the reason `reasonKey` after it, as the user reads it.
QString failure(const QString &reasonKey, const char *message, const QString &path)
{
    return qApp->translate("FileWorker", reasonKey.toUtf8())
        .arg(qApp->translate("FileWorker", message).arg(path));
}
}  // namespace

class ProofFaultsTest : public WindowTestCase
{
    Q_OBJECT
private slots:
    void failingCard_data();
    void failingCard();
    void cardFillsUp_data();
    void cardFillsUp();
    void verifiedRun_data();
    void verifiedRun();
    void counterfeitFailsCli();
    void fillAroundTheUsersData();
    void cardUnmountedUnderCli_data();
    void cardUnmountedUnderCli();
    void failingCardInWindow_data();
    void failingCardInWindow();
};

void ProofFaultsTest::failingCard_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("access");
    // However the card takes O_DIRECT, and also when it refuses it and the engine falls back
    // to buffered I/O, the fault must reach the engine.
    for (const char *access : {"", "--direct-io", "--refuse-direct"}) {
        for (const char *fault : {"--fail-write-after", "--fail-read-after"})
            QTest::addRow("%s %s", fault, access) << fault << access;
    }
}

void ProofFaultsTest::failingCard()
{
    QFETCH(QString, fault);
    QFETCH(QString, access);
    // Half of what the pass moves gets through.
    FaultMount card(
        QStringList{fault, QString::number(16 * kMiB), access}.filter(QRegularExpression(".")));
    FAULTMOUNT_REQUIRE(card);
    SpeedTester tester;
    tester.setTargetDir(card.rootPath());
    tester.setTestSize(16 * kMiB);
    tester.setBlockSize(kMiB);
    tester.setStreamCount(2);
    const bool failsReading = fault == "--fail-read-after";
    tester.setReadEnabled(failsReading);
    EngineRecorder rec(tester);
    QVERIFY2(runEngine(tester, kTimeoutMs), "the engine did not end after the fault");
    QCOMPARE(rec.logLines().contains(qApp->translate("SpeedTester", "LogCacheFallback")),
             access == "--refuse-direct");
    QCOMPARE(rec.errors().size(), 1);
    // An I/O error from the card, said as such, whether the request failed or came back short.
    const QString reason = failure("ErrReasonDeviceGone", "%1", QString());
    for (const QString &line : rec.errors().first().split(QLatin1Char('\n')))
        QVERIFY2(line.size() > reason.size() && line.endsWith(reason), qPrintable(line));
    QCOMPARE(rec.count(EngineEvent::WriteFinished), failsReading ? 1 : 0);
    QCOMPARE(rec.count(EngineEvent::ReadFinished), 0);
    QCOMPARE(entries(card.backingPath()), QStringList());  // the card still answers
}

void ProofFaultsTest::cardFillsUp_data()
{
    QTest::addColumn<bool>("rolling");
    QTest::addColumn<int>("streams");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("message");
    const QString noSpace = QStringLiteral("ErrReasonNoSpace");
    QTest::newRow("random data, 2 streams") << false << 2 << noSpace << "写入失败 (%1)";
    QTest::newRow("rolling fill") << true << 1 << noSpace << "写入失败 (%1)";
    QTest::newRow("read-only card, 2 streams") << false << 2 << "ErrReasonWriteProtected"
                                               << "无法创建目标文件: %1";
}

void ProofFaultsTest::cardFillsUp()
{
    QFETCH(bool, rolling);
    QFETCH(int, streams);
    QFETCH(QString, reason);
    QFETCH(QString, message);
    LoopCard card(64 * kMiB);
    LOOPCARD_REQUIRE(card);
    QVERIFY(reason != "ErrReasonWriteProtected" || card.setReadOnly());
    const qint64 before = card.freeBytes();
    const qint64 rollingFile = 8 * kMiB;
    SpeedTester tester;
    tester.setTargetDir(card.rootPath());
    tester.setBlockSize(kMiB);
    tester.setStreamCount(streams);
    tester.setReadEnabled(true);
    if (rolling)  // told of more room than there is, so a file of the first fill fails
        tester.setRollingFill(rollingFile, before + 3 * rollingFile, 2);
    else  // together the streams want half as much again as the card holds
        tester.setTestSize((before + before / 2) / streams);
    EngineRecorder rec(tester);
    QVERIFY(runEngine(tester, 2 * kTimeoutMs));

    // The worker's own text and why, one line per stream that failed, and nothing after.
    QCOMPARE(rec.errors().size(), 1);
    const QString failed = failure(reason, message.toUtf8(), card.rootPath() + "NAME");
    const QRegularExpression expected("^"
                                      + QRegularExpression::escape(failed).replace(
                                          "NAME", "__(card_speed_test_|roll_)(\\d+)\\.dat")
                                      + "$");
    for (const QString &line : rec.errors().first().split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = expected.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        // The rolling fill's first round fails at the file that no longer fits.
        if (rolling)
            QCOMPARE(match.captured(2).toInt(), int(before / rollingFile));
    }
    QCOMPARE(rec.count(EngineEvent::WriteFinished) + rec.count(EngineEvent::ReadFinished), 0);
    QVERIFY(!rec.logLines().contains(QStringLiteral("LogTestDone")));
    QCOMPARE(entries(card.rootPath()), QStringList{QStringLiteral("lost+found")});
    QCOMPARE(card.freeBytes(), before);
}

void ProofFaultsTest::verifiedRun_data()
{
    QTest::addColumn<QString>("check");  // what the data check finds, as describe() puts it
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("reason");  // of the read error that ends the run instead
    QTest::addColumn<qint64>("block");
    QTest::addColumn<qint64>("fill");  // the whole-card check with files of this size; 0 none
    const QString stream = QStringLiteral("__card_speed_test_1.dat");
    const QString none;
    const qint64 m = kMiB;
    QTest::newRow("good card") << "none at +-1, 0 sectors wrong, 16 MiB good of 16" << QStringList()
                               << none << m << 0ll;
    // A read short in the ninth block, past its first 256 KiB: its rest, read once more, is whole.
    QTest::newRow("short read") << "none at +-1, 0 sectors wrong, 16 MiB good of 16"
                                << QStringList{"--short-read-at", "8688608"} << none << m << 0ll;
    // The card fails there instead, the block coming back short first (read through the page
    // cache, as where O_DIRECT is refused): no data check, a read error that says why.
    QTest::newRow("card fails in the read-back")
        << "none at +-1, 0 sectors wrong, 0 MiB good of 0"
        << QStringList{"--fail-read-after", "8688608", "--refuse-direct"} << "ErrReasonDeviceGone"
        << m << 0ll;
    // One flipped bit per 4 KiB page of the fifth MiB: 256 corrupt sectors.
    QTest::newRow("bit flips") << "corrupt at " + stream
                                      + "+4194304, 256 sectors wrong, 15 MiB good of 16"
                               << QStringList{"--flip-bits", "4194304:5242880"} << none << m << 0ll;
    // The last 4 KiB page reads as the one 8 MiB before it, at the same place in its block.
    for (qint64 block : {m, 8 * m})
        QTest::addRow("misdirected page, %lld MiB blocks", block / m)
            << "wrap-round at " + stream + "+16773120, 1 sectors wrong, 15.9961 MiB good of 16"
            << QStringList{"--misdirect-every", "16777216"} << none << block << 0ll;
    // The second run's page at 8 MiB - 4 KiB (24 MiB on the card) keeps the first run's.
    QTest::newRow("dropped page over an earlier run")
        << "stale at " + stream + "+8384512, 1 sectors wrong, 15.9961 MiB good of 16"
        << QStringList{"--drop-every", "12582912"} << none << m << 0ll;
    // Reports 32 MiB, stores 16: the second half of the fill lands on the first.
    QTest::newRow("counterfeit wraps")
        << "wrap-round at __roll_0.dat+0, 4096 sectors wrong, 16 MiB good of 32"
        << QStringList{"--wrap-after", "16777216", "--capacity", "33554432"} << none << m << 8 * m;
    // Stores 28 of 32 MiB, with 8 MiB blocks: exact to the sector all the same.
    QTest::newRow("real size not whole blocks")
        << "wrap-round at __roll_0.dat+0, 1024 sectors wrong, 28 MiB good of 32"
        << QStringList{"--wrap-after", "29360128", "--capacity", "33554432"} << none << 8 * m
        << 8 * m;
    // Stores 36 of 40 MiB: only the last file, over the rest after two of 16 MiB, finds it.
    QTest::newRow("10 % smaller than it claims")
        << "wrap-round at __roll_0.dat+0, 1024 sectors wrong, 36 MiB good of 40"
        << QStringList{"--wrap-after", "37748736", "--capacity", "41943040"} << none << m << 16 * m;
    QTest::newRow("drops past 8 MiB")
        << "lost at " + stream + "+8388608, 2048 sectors wrong, 8 MiB good of 16"
        << QStringList{"--drop-after", "8388608"} << none << m << 0ll;
}

void ProofFaultsTest::verifiedRun()
{
    QFETCH(QString, check);
    QFETCH(QStringList, faults);
    QFETCH(QString, reason);
    QFETCH(qint64, block);
    QFETCH(qint64, fill);
    const bool buffered = faults.contains("--refuse-direct");  // through the page cache
    FaultMount card(buffered ? faults : faults + QStringList{QStringLiteral("--direct-io")});
    FAULTMOUNT_REQUIRE(card);
    DataCheck c;
    // A card that drops writes is run twice, so that there is older data to keep.
    for (int run = faults.contains("--drop-every") ? 2 : 1; run > 0; --run) {
        SpeedTester tester;
        tester.setTargetDir(card.rootPath());
        tester.setTestSize(16 * kMiB);
        tester.setBlockSize(block);
        tester.setVerifyData(true);
        if (fill > 0)  // the whole-card check over the reported capacity
            tester.setRollingFill(fill, faults.last().toLongLong(), 0);
        connect(
            &tester, &SpeedTester::dataChecked, &tester, [&](const DataCheck &d) { c = d; },
            Qt::DirectConnection);
        EngineRecorder rec(tester);
        QVERIFY(runEngine(tester, 2 * kTimeoutMs));
        const QString file = card.rootPath() + QStringLiteral("__card_speed_test_1.dat");
        QCOMPARE(rec.errors(), reason.isEmpty()
                                   ? QStringList()
                                   : QStringList{failure(reason, "读取失败 (%1)", file)});
    }
    QCOMPARE(describe(c), check);
    QCOMPARE(entries(card.backingPath()), QStringList());
}

void ProofFaultsTest::counterfeitFailsCli()
{
    // It refuses deletes too: the files stay, said in the log and the report.
    FaultMount card(
        {"--direct-io", "--wrap-after", "16777216", "--capacity", "33554432", "--refuse-unlink"});
    FAULTMOUNT_REQUIRE(card);
    QTemporaryDir dir;
    CliRunner runner(dir.filePath(QStringLiteral("config")), dir.path());
    runner.setRemovableRoots({card.rootPath()});
    const QString json = dir.filePath(QStringLiteral("report.json"));
    const CliRun run = runner.run(QStringList{"--target", card.rootPath(), "--fill", "--size", "8M",
                                              "--verify", "--lang", "en", "--json", json}
                                  + lenientRules());
    // Speeds cannot pass a card that lost data: the verdict is Fail and says why.
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.out.contains(QStringLiteral("Data check FAILED")), qPrintable(run.out));
    QString error;
    const QJsonObject report = readJson(json, &error).object();
    // The rolling round deleted __roll_0.dat: the first file left that holds another's data.
    const QJsonObject first =
        report.value("verification").toObject().value("firstError").toObject();
    QCOMPARE(first.value(QStringLiteral("kind")).toString(), QStringLiteral("wrapRound"));
    QCOMPARE(first.value(QStringLiteral("file")).toString(), QStringLiteral("__roll_1.dat"));
    QCOMPARE(first.value(QStringLiteral("offset")).toInt(-1), 0);
    const QJsonObject total = report.value(QStringLiteral("rows")).toArray().first().toObject();
    QCOMPARE(total.value(QStringLiteral("dataVerdict")).toString(), QStringLiteral("fail"));
    const QJsonObject cleanup = report.value(QStringLiteral("cleanup")).toObject();
    const QJsonArray left = cleanup.value(QStringLiteral("leftFiles")).toArray();
    QVERIFY(!cleanup.value(QStringLiteral("complete")).toBool(true) && left.size() == 5);
    QCOMPARE(left.first().toObject().value("file").toString(), card.rootPath() + "__roll_0.dat");
    QVERIFY(left.last().toObject().value("reason").toString().endsWith(": access denied"));
    // The journal that names them stays beside them, for the next start to find.
    QCOMPARE(entries(card.backingPath()).size(), 6);
}

// The rolling fill takes the free space, not the card's size: beside a user's file that holds a
// third of the card it fills the rest and completes, and the file is as it was.
void ProofFaultsTest::fillAroundTheUsersData()
{
    LoopCard card(64 * kMiB);
    LOOPCARD_REQUIRE(card);
    QFile mine(card.rootPath() + QStringLiteral("DCIM.MP4"));
    const QByteArray data(20 * kMiB, 'v');
    QVERIFY(mine.open(QIODevice::WriteOnly) && mine.write(data) == data.size() && mine.flush());
    mine.close();
    QTemporaryDir dir;
    CliRunner runner(dir.filePath(QStringLiteral("config")), dir.path());
    runner.setRemovableRoots({card.rootPath()});
    const CliRun run = runner.run(QStringList{"--target", card.rootPath(), "--fill", "--size", "8M",
                                              "--lang", "en", "--no-history"}
                                  + lenientRules());
    QVERIFY2(run.exitCode >= 0 && run.exitCode <= 2, qPrintable(run.err));
    QCOMPARE(entries(card.rootPath()), QStringList({"DCIM.MP4", "lost+found"}));
    QVERIFY(mine.open(QIODevice::ReadOnly) && mine.readAll() == data);
}

void ProofFaultsTest::cardUnmountedUnderCli_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("phase");  // the log text after which the card is unmounted
    QTest::newRow("writing 2 streams") << "--size 48M --streams 2 --read"
                                       << "Write test";
    QTest::newRow("reading back, verified") << "--size 32M --verify"
                                            << "Read test";
    QTest::newRow("rolling fill") << "--fill --size 8M"
                                  << "Rolling-fill test started";
    QTest::newRow("rolling fill read back") << "--fill --size 8M --verify"
                                            << "Read test";
}

// A lazy unmount leaves the empty mount folder, on the system disk, under the card's path
// while the files still open stay on the card: the run ends failed and says why, judges
// nothing, and makes nothing in that folder.
void ProofFaultsTest::cardUnmountedUnderCli()
{
    QFETCH(QString, options);
    QFETCH(QString, phase);
    LoopCard card(128 * kMiB);
    LOOPCARD_REQUIRE_THROTTLE(card, 32 * kMiB, 8 * kMiB);  // each phase lasts seconds
    QTemporaryDir dir;
    CliRunner runner(dir.filePath(QStringLiteral("config")), dir.path());
    runner.setRemovableRoots({card.rootPath()});
    QProcess cli;
    // Without the history's closing line, the error is the last word.
    runner.start(cli, QStringList{"--target", card.rootPath(), "--lang", "en", "--no-history"}
                          + options.split(QLatin1Char(' ')));
    QString err;
    QTRY_VERIFY_WITH_TIMEOUT((err += cli.readAllStandardError()).contains(phase)
                                 || cli.state() == QProcess::NotRunning,
                             int(kTimeoutMs));
    QVERIFY2(err.contains(phase), qPrintable(err));
    QCOMPARE(QProcess::execute(findTool(QStringLiteral("umount")), {"-l", card.rootPath()}), 0);
    QVERIFY(cli.waitForFinished(int(kTimeoutMs)));
    err += cli.readAllStandardError();
    QCOMPARE(cli.exitCode(), 3);
    // No averages, no table, no data check: only the error.
    QVERIFY2(err.endsWith("] Error: The card was removed or its mount changed\n")
                 && !err.contains("Data check passed") && cli.readAllStandardOutput().isEmpty(),
             qPrintable(err));
    QCOMPARE(entries(card.rootPath()), QStringList());
}

void ProofFaultsTest::failingCardInWindow_data()
{
    QTest::addColumn<QString>("fault");  // an option of the file system, or "pull"
    QTest::addColumn<int>("streams");
    QTest::addColumn<int>("rounds");
    QTest::newRow("write fails, 2 streams of 3 rounds") << "--fail-write-after" << 2 << 3;
    QTest::newRow("read-back fails, 2 rounds") << "--fail-read-after" << 1 << 2;
    QTest::newRow("card pulled, 2 streams") << "pull" << 2 << 1;
}

// The user hears of it once, the window is idle again, the test files that can still be
// deleted are gone and the user's own file on the card is untouched.
void ProofFaultsTest::failingCardInWindow()
{
    QFETCH(QString, fault);
    QFETCH(int, streams);
    QFETCH(int, rounds);
    // Half of what the failing pass moves gets through; a pulled card gets far more than is
    // written before the first progress report pulls it.
    const bool pull = fault == "pull";
    const qint64 perStream = pull ? 1024 * kMiB : 16 * kMiB;
    FaultMount card(pull ? QStringList() : QStringList{fault, QString::number(streams * 8 * kMiB)});
    FAULTMOUNT_REQUIRE(card);
    const QByteArray photo(300 * 1024, 'p');
    QFile user(card.backingPath() + QStringLiteral("/holiday.jpg"));
    QVERIFY(user.open(QIODevice::WriteOnly) && user.write(photo) == photo.size());
    user.close();

    QSettings().setValue(QStringLiteral("verdict/iterCount"), rounds);
    QSettings().setValue(QStringLiteral("verdict/enableRead"), fault == "--fail-read-after");
    // A FUSE mount is no block device, so the card is on the fixture's fake machine.
    f.addCard(card.rootPath().toStdString(), 64 * 1024 * kMiB, 64 * 1024 * kMiB);
    f.open();
    f.chooseSize(perStream, streams);  // the standard sizes start at 512 MB
    LogCapture capture;
    f.click("startButton");
    QVERIFY2(f.window->currentTester() != nullptr, "the test did not start");
    bool pulled = false;
    if (pull) {
        connect(f.window->currentTester(), &SpeedTester::writeProgress, f.window.get(),
                [&](int percent) { pulled = pulled || (percent < 100 && card.vanish()); });
    }
    QTRY_VERIFY_WITH_TIMEOUT(f.idle(), int(kTimeoutMs));
    QTest::qWait(200);  // a late second error would arrive now
    QCOMPARE(pulled, pull);

    const auto isError = [](const UserPrompt &p) { return p.kind == UserPrompt::RunError; };
    const QVector<UserPrompt> &prompts = f.prompts.prompts;
    QCOMPARE(std::count_if(prompts.cbegin(), prompts.cend(), isError), 1);
    const UserPrompt error = *std::find_if(prompts.cbegin(), prompts.cend(), isError);
    QVERIFY(error.title == QStringLiteral("Test error") && !error.text.trimmed().isEmpty());
    // The engine, not the window, tells a card that went away from one that failed.
    QCOMPARE(error.text == QStringLiteral("The card was removed or its mount changed"), pull);
    const QStringList log = LogCapture::messages();
    QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^Error: "))),
             QStringList{QStringLiteral("Error: ") + error.text});
    // The failing round is the last one.
    QCOMPARE(log.filter(QStringLiteral("Starting round")), QStringList());
    QVERIFY(!log.contains(QStringLiteral("========== Test complete ==========")));
    QCOMPARE(log.filter(QStringLiteral("Write complete.")).size(),
             fault == "--fail-read-after" ? 1 : 0);
    QVERIFY(f.window->currentTester()->isFinished());
    QVERIFY(!f.child<QPushButton>("stopButton")->isEnabled());

    QStringList left = entries(card.backingPath());
    QVERIFY(left.removeOne(QStringLiteral("holiday.jpg")));
    QVERIFY(user.open(QIODevice::ReadOnly));
    QCOMPARE(user.readAll(), photo);
    // A pulled card keeps only the test files, and the journal that names them.
    const bool journal = left.removeOne(QStringLiteral("__card_speed_test.journal"));
    QVERIFY(left.size() <= (pull ? streams : 0) && (left.isEmpty() || journal)
            && (pull || !journal));
    for (const QString &name : left)
        QVERIFY2(name.startsWith(QLatin1String("__card_speed_test_")), qPrintable(name));
}

QTEST_MAIN(ProofFaultsTest)
#include "tst_proof_faults.moc"
