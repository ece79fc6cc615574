// The real lumoracard-cli end to end, on folders of this test's own: a judged run with its
// table and JSON report, the report on standard output, one refusal of each kind, an engine
// error, and signals.
#include "clifixture.h"

#include <QtTest>

#include <csignal>

class TestCliProcess : public QObject
{
    Q_OBJECT
    QScopedPointer<CliFixture> m_f;

private slots:
    void init()
    {
        m_f.reset(new CliFixture);
        QVERIFY(m_f->dir.isValid() && QDir(m_f->card).exists());
    }

    void judgedRun()
    {
        // Stored as the window stores them: card-total write minimums no card reaches, and
        // Simplified Chinese. This run's overrides lower the fail minimum and judge nothing else,
        // so the card total is Warn and the streams, the last rows, Pass.
        {
            QSettings stored = m_f->settings();
            stored.setValue("verdict/aggWriteFail", 1e12);
            stored.setValue("verdict/aggWriteWarn", 1e12);
            stored.setValue("ui/language", 0);
        }
        const QStringList rules =
            lenientRules().replaceInStrings("aggWriteWarn=0", "slcTrim=false");
        const CliRun run = m_f->run(
            m_f->onCard(
                "--size 8M --block 64K --streams 2 --read --iterations 2 --json @DIR/r.json "
                "--dashcam 0.001,0.001 --rules dashcamMargin=1e9")
            + rules);
        QVERIFY2(run.exitStatus == QProcess::NormalExit && run.exitCode == 1,
                 qPrintable(run.out + run.err));
        QCOMPARE(entries(m_f->card), QStringList());
        // Nothing stored, not even the language or this run's rules.
        QCOMPARE(m_f->settings().allKeys().size(), 3);
        QCOMPARE(m_f->settings().value("verdict/aggWriteFail").toDouble(), 1e12);
        // Log lines carry the time; a pipe gets whole progress lines, never "\r".
        const auto lines = [&run](const QString &pattern) {
            return run.err.count(QRegularExpression(pattern, QRegularExpression::MultilineOption));
        };
        QVERIFY2(
            lines("^\\[\\d\\d:\\d\\d:\\d\\d\\] \\S") >= 6 && !run.err.contains('\r')
                && lines("^第 [12]/2 轮 · (写入|读取)测试 \\[[#.]{20}\\] +\\d+%  \\d+\\.\\d\\d "
                         "MB/s  平均")
                       > 0,
            qPrintable(run.err));

        QString error;
        const QJsonObject json = readJson(m_f->path("r.json"), &error).object();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QJsonObject used = json["settings"]["rules"].toObject();
        QCOMPARE(used["aggWriteWarn"].toDouble(), 1e12);
        QCOMPARE(used["aggWriteFail"].toDouble(), 0.0);
        QVERIFY(used["iterCount"].toInt() == 2 && used["enableRead"].toBool());
        QCOMPARE(json["language"].toString(), QStringLiteral("zh_CN"));
        QCOMPARE(json["verdict"].toString(), QStringLiteral("warn"));
        QCOMPARE(json["exitStatus"].toInt(), 1);
        // The worst row's verdict under the table too, and the rule that decided it, with the
        // figure it measured.
        const QJsonArray reasons = json["rows"][0]["reasons"].toArray();
        QCOMPARE(reasons.size(), 1);
        QCOMPARE(reasons[0]["rule"].toString(), QStringLiteral("aggWriteWarn"));
        QCOMPARE(reasons[0]["measured"], json["rows"][0]["write"]["min"]);
        QVERIFY(reasons[0]["threshold"] == 1e12 && reasons[0]["verdict"] == "warn");
        QVERIFY2(run.out.contains(QStringLiteral("\n总判定：⚠ 警告\n%1：写入最低 %2 MB/s 低于 "
                                                 "1000000000000.0 → 警告\n")
                                      .arg(json["rows"][0]["name"].toString())
                                      .arg(reasons[0]["measured"].toDouble(), 0, 'f', 1)),
                 qPrintable(run.out));
        // Beside the rows: the class of the card total's write minimum, and a profile whose
        // margin no stream reaches, so both channels are marginal.
        QCOMPARE(json["speedClass"]["sustainedMBps"], json["rows"][0]["write"]["min"]);
        const QJsonObject dashcam = json["dashcam"].toObject();
        QVERIFY(dashcam["verdict"] == "marginal" && dashcam["preset"].isNull()
                && dashcam["margin"] == 1e9 && dashcam["hours"].toDouble() > 0);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(dashcam["channels"][i]["sustained"], json["rows"][i + 1]["write"]["min"]);
        QVERIFY2(run.out.contains("\n行车记录仪 自定义（0.001 + 0.001 Mbit/s）：勉强可用 · "),
                 qPrintable(run.out));
        // When, with the offset written out, in order, and how long: the times keep whole
        // seconds.
        const QString startedAt = json["startedAt"].toString();
        const QDateTime started = QDateTime::fromString(startedAt, Qt::ISODate);
        const QDateTime ended = QDateTime::fromString(json["endedAt"].toString(), Qt::ISODate);
        const double duration = json["durationSeconds"].toDouble(-1);
        QVERIFY2(startedAt.contains(QRegularExpression("T\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"))
                     && started.isValid() && started <= ended && duration > 0
                     && qAbs(started.secsTo(ended) - duration) <= 1.0,
                 qPrintable(startedAt + " " + json["endedAt"].toString() + " "
                            + QString::number(duration)));

        // The mean of the rounds' averages; the rows as the table printed them.
        const QJsonArray rounds = json["rounds"].toArray();
        QCOMPARE(rounds.size(), 2);
        QCOMPARE(json["averages"]["write"].toDouble(),
                 (rounds[0]["writeAvg"].toDouble() + rounds[1]["writeAvg"].toDouble()) / 2);
        const QJsonArray rows = json["rows"].toArray();
        QCOMPARE(rows.size(), 3);
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i]["stream"], i == 0 ? QJsonValue() : QJsonValue(i));
            QCOMPARE(rows[i]["writeVerdict"].toString(), i == 0 ? "warn" : "pass");
            const QString name = rows[i]["name"].toString();
            const double avg = rows[i]["read"]["avg"].toDouble();
            QVERIFY2(avg > 0 && tableRow(run.out, name, 1).value(1) == QString::number(avg, 'f', 2),
                     qPrintable(name));
        }
    }

    // Every run of a card is recorded, compared with the one before, and listed by --history;
    // --no-history leaves the history alone.
    void historyOfTheCard()
    {
        for (const char *options :
             {"--size 4M --block 64K --json @DIR/r.json",
              "--size 4M --block 64K --json @DIR/r.json", "--size 4M --block 64K --no-history"}) {
            const CliRun run = m_f->run(m_f->onCard(options));
            QVERIFY2(run.exitCode >= 0 && run.exitCode <= 2, qPrintable(run.err));
        }
        QString error;
        const QJsonObject previous =
            readJson(m_f->path("r.json"), &error).object()["previous"].toObject();
        QVERIFY2(previous["change"].toObject().contains("writeMin"), qPrintable(error));
        const CliRun list = m_f->run(m_f->args("--history --target @CARD --json -"));
        const QJsonArray cards = QJsonDocument::fromJson(list.out.toUtf8())["cards"].toArray();
        QVERIFY2(cards.size() == 1, qPrintable(list.out + list.err));
        const QJsonArray tests = cards[0]["tests"].toArray();
        QCOMPARE(tests.size(), 2);
        QCOMPARE(tests[0]["outcome"].toString(), QStringLiteral("completed"));
        QCOMPARE(tests[0]["blockSize"].toInt(), 65536);
        // The text listing speaks the user's language; the JSON keeps the report's words.
        const CliRun text = m_f->run(m_f->args("--history --target @CARD --lang en"));
        QVERIFY2(text.out.contains("Random data") && !text.out.contains("random"),
                 qPrintable(text.out));
        // The card's size comes first in the drive list, its free space second.
        const QString size =
            QString::number(QStorageInfo(m_f->card).bytesTotal() / 1073741824.0, 'f', 1);
        const CliRun drives = m_f->run(m_f->args("--list --lang en"));
        QVERIFY2(drives.out.contains(size + " GB, "), qPrintable(drives.out + drives.err));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("named");  // the card named as a removable root
        QTest::addColumn<QString>("why");

        // Each way to a refusal once; the checks themselves are unit-tested.
        QTest::newRow("bad option") << "--target @CARD --size 12Q" << true << "12Q";
        QTest::newRow("not a removable drive") << "--target @CARD --size 1M" << false << "--force";
        QTest::newRow("more than the free space")
            << "--target @CARD --size 100T" << true << "insufficient free space";
        QTest::newRow("--clean, not a removable drive")
            << "--target @CARD --clean" << false << "--force";
        QTest::newRow("report is a folder")
            << "--target @CARD --size 1M --json @DIR" << true << "is a folder";
        QTest::newRow("report in a missing folder")
            << "--target @CARD --size 1M --json @DIR/gone/r.json" << true << "does not exist";
    }

    void refusals()
    {
        QFETCH(QString, args);
        QFETCH(bool, named);
        QFETCH(QString, why);
        const QStringList before = entries(m_f->dir.path());
        const CliRun run = m_f->runner(named ? QStringList{m_f->card} : QStringList())
                               .run(m_f->args(args) + QStringList{"--lang", "en"});
        QVERIFY2(run.exitStatus == QProcess::NormalExit && run.exitCode == 3
                     && run.err.contains(why) && run.out.isEmpty(),
                 qPrintable(run.err + run.out));
        // Nothing written: the card is still empty, and nothing appeared next to it.
        QCOMPARE(entries(m_f->card), QStringList());
        QCOMPARE(entries(m_f->dir.path()), before);
    }

    void oneLanguageOnly()
    {
        // A bad option, a refusal and a completed run on a plain folder under --force, in
        // Traditional Chinese chosen over a stored English: no English sentence (two English
        // words in a row) anywhere, the paths aside. The run's report goes to standard output,
        // alone.
        m_f->settings().setValue("ui/language", 1);
        const QStringList runs[] = {{"--bogus"},
                                    m_f->args("--target @DIR --size 1M"),
                                    m_f->onCard("--size 4M --streams 2 --read --json - --force")};
        const QRegularExpression english(QStringLiteral("[A-Za-z]{2,}[ ,.:]+[A-Za-z]{2,}"));
        CliRun run;
        for (int i = 0; i < 3; ++i) {
            run = m_f->runner({}).run(runs[i] + QStringList{"--lang=zh_TW"});
            // Refused twice (3), then judged (0, 1 or 2).
            QVERIFY2((run.exitCode == 3) == (i < 2), qPrintable(run.err));
            const QString text =
                QString(i < 2 ? run.out + run.err : run.err).remove(m_f->dir.path());
            const QRegularExpressionMatch found = english.match(text);
            QVERIFY2(!found.hasMatch(), qPrintable(found.captured() + "\n" + text));
        }
        const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(report["language"].toString(), QStringLiteral("zh_TW"));
        // The averages said on the console are the report's, each of its own pass.
        const QJsonObject averages = report["averages"].toObject();
        for (const auto &[pass, said] : {std::pair("write", "寫入平均："), {"read", "讀取平均："}})
            QVERIFY2(run.err.contains(said + QString::number(averages[pass].toDouble(), 'f', 2)),
                     qPrintable(run.err));
    }

    void engineErrorIsReported()
    {
        // An immutable card root: nobody, root included, can create a file in it.
        const auto immutable = [this](const char *flag) {
            return QProcess::execute(QStringLiteral("chattr"), {flag, m_f->card}) == 0;
        };
        if (!immutable("+i"))
            QSKIP("chattr +i does not work here (needs root and a file system that has it)");
        const CliRun run = m_f->run(m_f->onCard("--size 1M --block 64K --json @DIR/r.json"));
        QVERIFY(immutable("-i"));
        // The report says the run failed and why, and judges nothing.
        QString error;
        const QJsonObject json = readJson(m_f->path("r.json"), &error).object();
        QVERIFY2(run.exitCode == 3 && error.isEmpty(), qPrintable(error + run.err));
        QVERIFY(json["outcome"] == "failed" && json["verdict"].isNull() && json["exitStatus"] == 3);
        QVERIFY(json["rows"].toArray().isEmpty());
        QVERIFY2(json["error"].toString().contains(m_f->card), qPrintable(run.err));
    }

    void reportFolderGoneDuringTheRun()
    {
        // Checked at the start, gone at the end: the run that passed fails for want of its report.
        QVERIFY(QDir().mkdir(m_f->path("out")));
        QProcess process;
        m_f->runner({m_f->card})
            .start(process, m_f->onCard("--size 64M --block 64K --streams 2 --read --iterations 3 "
                                        "--json @DIR/out/r.json")
                                + lenientRules());
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!dataFiles().isEmpty(), 30000);
        QVERIFY(QDir(m_f->path("out")).removeRecursively());
        QVERIFY(process.waitForFinished(300000));
        const QString err = process.readAllStandardError();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 3,
                 qPrintable(err));
        QVERIFY(err.contains(m_f->path("out/r.json")) && !QFile::exists(m_f->path("out")));
        QCOMPARE(entries(m_f->card), QStringList());
    }

    void interruptStopsAndCleansUp_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void interruptStopsAndCleansUp()
    {
        QFETCH(int, signalNumber);
        // Long enough that the signal lands mid-run: 99 rounds of 2 x 64 MB.
        QProcess process;
        m_f->runner({m_f->card})
            .start(process, m_f->onCard("--size 64M --block 64K --streams 2 --read --iterations 99 "
                                        "--json @DIR/r.json"));
        QVERIFY(process.waitForStarted());
        // The engine runs once files are being written.
        QTRY_VERIFY_WITH_TIMEOUT(!dataFiles().isEmpty(), 30000);
        QVERIFY(::kill(pid_t(process.processId()), signalNumber) == 0);
        QVERIFY(process.waitForFinished(120000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        // A stopped test leaves no file, and reports no averages, no table and no report file.
        QCOMPARE(entries(m_f->card), QStringList());
        QVERIFY(process.readAllStandardOutput().isEmpty() && !QFile::exists(m_f->path("r.json")));
    }

    void killedRunIsCleanedUp_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("--clean") << "--clean";
        QTest::newRow("the next run") << "--size 1M --block 64K";
    }

    // kill -9 leaves the files and their journal; what comes next removes exactly those, and
    // a user's file that the test's naming would take for its own stays.
    void killedRunIsCleanedUp()
    {
        QFETCH(QString, then);
        const QString mine = QStringLiteral("__card_speed_test_1.dat");
        QFile lookAlike(m_f->card + '/' + mine);
        QVERIFY(lookAlike.open(QIODevice::WriteOnly) && lookAlike.write("mine") == 4);
        lookAlike.close();
        QProcess process;
        m_f->runner({m_f->card}).start(process, m_f->onCard("--size 512M --block 64K --streams 2"));
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(dataFiles().size() == 3, 30000);
        QVERIFY(::kill(pid_t(process.processId()), SIGKILL) == 0);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QVERIFY2(entries(m_f->card).contains("__card_speed_test.journal"),
                 qPrintable(entries(m_f->card).join(',')));

        QStringList args = m_f->onCard(then + " --lang en");
        if (then != "--clean")
            args += lenientRules();
        const CliRun run = m_f->run(args);
        QVERIFY2(run.exitCode == 0 && run.err.contains("Removed 2 files"), qPrintable(run.err));
        QCOMPARE(entries(m_f->card), QStringList{mine});
        QVERIFY(lookAlike.open(QIODevice::ReadOnly) && lookAlike.readAll() == "mine");
    }

private:
    QStringList dataFiles() const { return QDir(m_f->card).entryList({"*.dat"}, QDir::Files); }
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
