#include "clirunner.h"
#include "filepicker.h"
#include "historydb.h"
#include "isolatedsettings.h"
#include "languagequestion.h"
#include "loopcard.h"
#include "resultcolumns.h"
#include "sessionguard.h"
#include "sqlite.h"
#include "windowfixture.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <csignal>

namespace {
// Every key path of a JSON value, sorted; arrays of objects by all their elements (a fast run
// may leave a series of numbers empty, a row that passes has no reasons).
QStringList shape(const QJsonValue &value, const QString &path = QString())
{
    QStringList out{path};
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            out << shape(it.value(), path + '/' + it.key());
    } else if (value.isArray()) {
        for (const QJsonValue &item : value.toArray()) {
            if (item.isObject())
                out << shape(item, path + "[]");
        }
    }
    out.removeDuplicates();
    out.sort();
    return out;
}

QStringList testFilesIn(const QString &root)
{
    return QDir(root).entryList({QStringLiteral("__card_speed_test_*")},
                                QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

// The window as the program starts it, with its guard, running a test of 2 x 512 MB on the
// card folder `dir`/card (its settings in `dir` too) until a signal ends the process.
int runWindowUntilSignalled(const QString &dir)
{
    if (!isolateSettings(dir + "/settings"))
        return 2;
    QSettings().setValue(QStringLiteral("ui/language"), int(English));
    I18n::instance()->initLanguage(askLanguageAtFirstStart);
    auto drives = std::make_shared<FakeDriveTable>();
    (*drives)[(dir + "/card/").toStdString()] = {true, {"CARD", "vfat"}, {1LL << 40, 1LL << 40}};
    MainWindow window;
    PromptLog prompts;
    window.setPromptHandler(prompts.handler());
    window.setDriveService(std::make_unique<FakeDriveService>(drives));
    SessionGuard guard(&window);
    auto *sizes = window.findChild<QComboBox *>(QStringLiteral("testSizeCombo"));
    sizes->addItem(QStringLiteral("test"), QVariant::fromValue<qint64>(512 * 1048576));
    sizes->setCurrentIndex(sizes->count() - 1);
    window.findChild<QSpinBox *>(QStringLiteral("streamCountSpin"))->setValue(2);
    window.show();
    window.findChild<QPushButton *>(QStringLiteral("startButton"))->click();
    return QApplication::exec();
}
}  // namespace

// Whole tests started from the window: on a folder posing as a card, with the results that
// leave the window after it, one recorded in the history beside the command line's, and on a
// real loop device card throttled to a known speed, stopped in its second round.
class TestWindowRun : public WindowTestCase
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        WindowTestCase::cleanup();
        qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
        FilePicker::setSaveNamer({});
        FilePicker::setPicker({});
        isolateSettings(f.settingsDir.path());  // the history file too
    }

    // The first reports of a test show no speed of the test before, and a report without
    // speed keeps the last real one; while it runs, a language switch only retranslates and
    // nothing can be exported. It ends with a row per stream and no file left.
    void runOnFolderAndExport()
    {
        QTemporaryDir card, out;
        QVERIFY(card.isValid() && out.isValid());
        const QString root = QDir(card.path()).absolutePath() + QLatin1Char('/');
        f.addCard("/a/", 68719476736, 68719476736);  // listed first
        f.addCard(root.toStdString(), 68719476736, 68719476736);
        // Rules no card total misses and no stream meets: the streams' verdict is the test's.
        QSettings stored;
        stored.setValue(QStringLiteral("verdict/enableRead"), true);
        QStringList rules;
        for (const char *key :
             {"jitterFail", "jitterWarn", "cvFail", "cvWarn", "dropFail", "dropWarn",
              "minSpeedMult", "aggWriteFail", "aggWriteWarn", "aggReadFail", "aggReadWarn"}) {
            const double value = QByteArray(key).startsWith("agg") ? 0 : 1e6;
            stored.setValue(QStringLiteral("verdict/") + key, value);
            rules << "--rules" << QStringLiteral("%1=%2").arg(key).arg(value);
        }
        f.open();
        f.chooseSize(64 * 1048576, 2);
        auto *drives = f.child<QComboBox>("driveCombo");
        drives->setCurrentIndex(1);
        f.window->onWriteProgress(100, 77.0, 77.0);
        f.window->onReadProgress(100, 66.0, 66.0);
        QVERIFY(!action("saveImageAction")->isEnabled()
                && !action("copyResultsAction")->isEnabled());
        QVERIFY(bar("writeProgressBar") > 0 && bar("readProgressBar") > 0);
        int picks = 0;  // the file picker's, which a click on the locked file list must not open
        FilePicker::setPicker([&](QWidget *, const QString &, const QString &) {
            ++picks;
            return QStringList{out.filePath("clip.mp4")};
        });

        f.click("startButton");
        QVERIFY2(f.window->currentTester() != nullptr, "the test did not start");
        QVERIFY(bar("writeProgressBar") == 0 && bar("readProgressBar") == 0);
        // Every control of the test's settings is locked while it runs.
        const auto settingControls = [this] {
            QWidgetList controls;
            for (QWidget *w : f.child<QGroupBox>("settingsGroup")->findChildren<QWidget *>()) {
                if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w)
                    || qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QListWidget *>(w))
                    controls << w;
            }
            return controls;
        };
        for (QWidget *w : settingControls())
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        const auto clickFileList = [this] {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f.child<QListWidget>("fileList")->viewport(), &press);
        };
        clickFileList();
        f.window->onWriteProgress(0, 0.0, 0.0);
        f.window->onReadProgress(0, 0.0, 0.0);
        QVERIFY(label("writeSpeedLabel").startsWith("Current: 0.00 "));
        QVERIFY(label("readSpeedLabel").startsWith("Current: 0.00 "));
        f.window->onWriteProgress(1, 12.5, 12.5);
        f.window->onWriteProgress(2, 0.0, 12.5);
        QVERIFY(label("writeSpeedLabel").startsWith("Current: 12.50 "));
        // Only the language change is delivered: the run may have ended already, but its end
        // waits in the queue, so the window is still running here on any machine.
        I18n::instance()->setLanguage(SimplifiedChinese);
        for (int i = 0; i < 2; ++i)  // to the application, then from it to the window
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(f.child<QPushButton>("startButton")->text(), QStringLiteral("开始测试"));
        QVERIFY(!f.idle() && !drives->isEnabled() && !action("saveImageAction")->isEnabled());
        QCOMPARE(drives->currentData().toString(), root);
        switchLanguage(English);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 60000);
        for (QWidget *w : settingControls())
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        QCOMPARE(f.prompts.prompts.size(), 1);  // the format offer, answered No
        QCOMPARE(bar("writeProgressBar"), 100);
        QCOMPARE(bar("readProgressBar"), 100);
        for (int row = 0; row < 3; ++row) {
            for (int column : {ResultColumn::FirstWrite, ResultColumn::FirstRead})
                QVERIFY2(f.cell(row, column).toDouble() > 0, qPrintable(f.cell(row, column)));
        }
        QCOMPARE(f.child<QTableWidget>("resultsTable")->rowCount(), 3);
        QVERIFY(testFilesIn(root).isEmpty());

        // Tab-separated, header lines first: pastes into a spreadsheet or a forum post.
        action("copyResultsAction")->trigger();
        const QStringList lines = QGuiApplication::clipboard()->text().split('\n');
        QVERIFY2(lines.value(0).startsWith("Card tested: "), qPrintable(lines.value(0)));
        QVERIFY(lines.value(1).contains("Streams: 2") && lines.value(1).contains("Read: \u2713"));
        QCOMPARE(lines.value(5).split('\t').value(0), QStringLiteral("File"));
        QCOMPARE(lines.value(5).split('\t').size(), 14);  // label, 6 write, 6 read, verdict
        QCOMPARE(lines.value(8).split('\t').value(0), QStringLiteral("#2  Random stream #2"));
        // One verdict, the worst row's, wherever it is shown.
        QVERIFY(f.cell(0, ResultColumn::Verdict) == "✓ Pass"
                && f.cell(1, ResultColumn::Verdict) == "✗ Fail");
        QCOMPARE(lines.value(3), QStringLiteral("Verdict: ✗ Fail"));
        // Under the table, with the rules that decided it.
        QVERIFY2(label("resultSummaryLabel")
                     .startsWith(lines.value(3) + " — #1  Random stream #1: Write minimum "),
                 qPrintable(label("resultSummaryLabel")));

        QString saveAs, suggested;  // what the save dialog answers, and the name it was offered
        FilePicker::setSaveNamer(
            [&](QWidget *, const QString &, const QString &name, const QString &) {
                suggested = name;
                return saveAs;
            });
        saveAs = out.filePath("results.png");
        action("saveImageAction")->trigger();
        // Offered in Documents first, then in the folder saved into last.
        const QFileInfo offered(suggested);
        QVERIFY2(offered.fileName().startsWith("LumoraCard_") && suggested.endsWith(".png"),
                 qPrintable(suggested));
        QCOMPARE(offered.absolutePath(),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        const QImage image(saveAs);
        QVERIFY(!image.isNull());
        // Below the header, the chart's curves, writing left and reading right: colours other
        // than white and grey.
        int coloured[2] = {0, 0};
        for (int y = 150; y < 500; y += 2) {
            for (int x = 30; x < image.width() - 30; x += 4) {
                const QColor c = image.pixelColor(x, y);
                coloured[x > image.width() / 2] +=
                    qAbs(c.red() - c.blue()) > 40 || qAbs(c.green() - c.blue()) > 40;
            }
        }
        QVERIFY2(coloured[0] > 25 && coloured[1] > 25,
                 qPrintable(QStringLiteral("%1 %2").arg(coloured[0]).arg(coloured[1])));

        // The report is the command line's, shape for shape, for the same test.
        saveAs = out.filePath("window.json");
        action("saveReportAction")->trigger();
        QCOMPARE(QFileInfo(suggested).absolutePath(), QFileInfo(saveAs).absolutePath());
        const CliRun run =
            CliRunner(out.path(), card.path())
                .run(QStringList{"--target", card.path(), "--force", "--size", "64M", "--streams",
                                 "2", "--read", "--json", out.filePath("cli.json")}
                     + rules);
        QVERIFY2(run.exitStatus == QProcess::NormalExit, qPrintable(run.err));
        QString error;
        const QJsonObject fromWindow = readJson(saveAs, &error).object();
        QCOMPARE(fromWindow.value("rows").toArray().size(), 3);
        QCOMPARE(fromWindow.value("verdict").toString(), QStringLiteral("fail"));
        QCOMPARE(shape(fromWindow), shape(readJson(out.filePath("cli.json"), &error).object()));

        // Unlocked, the file list opens the picker; a picked clip's size in MB of 2^20 bytes.
        QFile clip(out.filePath("clip.mp4"));
        QVERIFY(picks == 0 && clip.open(QIODevice::WriteOnly) && clip.resize(3 * 1048576));
        clickFileList();
        QCOMPARE(picks, 1);
        QCOMPARE(label("fileSummaryLabel"), QStringLiteral("Selected: 1 files, 3.0 MB total"));

        // The verdicts in another language, tooltips too.
        switchLanguage(TraditionalChinese);
        const QTableWidgetItem *verdict =
            f.child<QTableWidget>("resultsTable")->item(1, ResultColumn::Verdict);
        QCOMPARE(verdict->text(), QStringLiteral("✗ 未達標"));
        QVERIFY2(verdict->toolTip().startsWith("寫入最低 "), qPrintable(verdict->toolTip()));
        QVERIFY2(
            label("resultSummaryLabel").startsWith("總判定：✗ 未達標 — #1  隨機串流 #1：寫入最低 "),
            qPrintable(label("resultSummaryLabel")));
        switchLanguage(English);
    }

    // A run that breaks down (no file can be made on an immutable card) gets no verdict, nor
    // one from changed rules afterwards, and has nothing to export.
    void failedRunStaysUnjudged()
    {
        QTemporaryDir card;
        const auto immutable = [&card](const char *flag) {
            return QProcess::execute(QStringLiteral("chattr"), {flag, card.path()}) == 0;
        };
        if (!immutable("+i"))
            QSKIP("chattr +i does not work here (needs root and a file system that has it)");
        const auto undo = qScopeGuard([&] { immutable("-i"); });
        f.addCard((card.path() + '/').toStdString(), 1LL << 36, 1LL << 36);
        f.open();
        f.chooseSize(1048576, 2);
        f.click("startButton");
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 60000);
        QCOMPARE(f.prompts.prompts.last().kind, UserPrompt::RunError);
        f.acceptRules();
        QCOMPARE(f.cell(0, ResultColumn::Verdict), QStringLiteral("--"));
        QVERIFY(!action("copyResultsAction")->isEnabled());
    }

    // Stopped well into round 2: no third round, and everything of the test is cleared.
    void stopDuringRoundTwo()
    {
        LoopCard card(256 * 1048576);
        LOOPCARD_REQUIRE_THROTTLE(card, 8 * 1048576, 0);
        qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toLocal8Bit());
        QSettings().setValue(QStringLiteral("verdict/iterCount"), 3);
        f.open(false);
        f.chooseSize(8 * 1048576, 1);
        LogCapture capture;
        f.click("startButton");
        QTRY_VERIFY_WITH_TIMEOUT(bar("writeProgressBar") > 36, 30000);
        f.click("stopButton");
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 30000);
        QVERIFY(!capture.messages().contains(QStringLiteral("—— Starting round 3/3 ——")));
        QCOMPARE(f.child<QTableWidget>("resultsTable")->rowCount(), 0);
        QCOMPARE(bar("writeProgressBar"), 0);
        QCOMPARE(label("writeSpeedLabel"), QStringLiteral("Current: -- MB/s  |  Avg: -- MB/s"));
        QVERIFY(f.window->sampleCollection().card(PassDirection::Write).samples().isEmpty());
        QVERIFY(testFilesIn(card.rootPath()).isEmpty());
    }

    // The window and the command line record at once in one data folder. The test holds the
    // database while the command line's test ends and then the window's (which stays free
    // meanwhile, its recording waiting on a thread of its own), then lets go: both tests are
    // kept, neither was refused for a locked database.
    void recordsBesideTheCommandLine()
    {
        QTemporaryDir dir;
        const QString cliCard = dir.filePath("cli"), windowCard = dir.filePath("window");
        QVERIFY(QDir().mkpath(cliCard) && QDir().mkpath(windowCard));
        // The command line finds it in HOME's data folder, as a user's; the window is sent there.
        const QString file = dir.filePath(".local/share/Lumora/LumoraCard/history.sqlite");
        qputenv("LUMORACARD_HISTORY_DB", file.toLocal8Bit());
        QVERIFY(HistoryDb(file).isOpen());
        SqliteConnection holder;
        QVERIFY(holder.open(file, false));
        auto held = std::make_unique<SqliteTransaction>(holder);
        QVERIFY(held->isActive());

        CliRunner runner(dir.filePath("config"), dir.path());
        runner.setRemovableRoots({cliCard});
        runner.setDataHome(dir.path());
        f.addCard((windowCard + '/').toStdString(), 1LL << 40, 1LL << 40);
        f.open();
        f.chooseSize(4 * 1048576, 1);
        LogCapture capture;
        // Both tests run at once, so that each waits for the database about as long as the
        // other takes beyond it, well inside the busy timeout even on a slow machine.
        QProcess cli;
        runner.start(cli, QStringList{"--target", cliCard, "--size", "4M", "--lang", "en"});
        f.click("startButton");
        // Its log is not buffered as its results are: the test has ended, its recording waits.
        QString cliErr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (cliErr += cli.readAllStandardError()).contains("Test complete") && f.idle(), 60000);
        QVERIFY2(cli.state() == QProcess::Running, qPrintable(cliErr + cli.readAllStandardError()));
        QVERIFY(capture.messages().filter("history").isEmpty());
        held.reset();
        QVERIFY(cli.waitForFinished(60000));
        cliErr += cli.readAllStandardError();
        QTRY_VERIFY_WITH_TIMEOUT(!capture.messages().filter("history").isEmpty(), 30000);
        const QString windowLog = capture.messages().join('\n');
        for (const QString &log : {cliErr, windowLog})
            QVERIFY2(log.contains("Recorded in the card's history") && !log.contains("locked"),
                     qPrintable(log));
        const CliRun list = runner.run({"--history", "--json", "-"});
        QStringList tools;
        for (const QJsonValue &card :
             QJsonDocument::fromJson(list.out.toUtf8())["cards"].toArray()) {
            for (const QJsonValue &test : card["tests"].toArray())
                tools << test["tool"].toString() + ' ' + test["outcome"].toString();
        }
        tools.sort();
        QCOMPARE(tools, QStringList({"lumoracard completed", "lumoracard-cli completed"}));
    }

    void signalEndsTheTest_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }

    // A window whose test is ended by SIGTERM deletes its files before it goes; one killed
    // leaves them, and the next window that is shown the card offers to remove them. A user's
    // file of the test's own kind of name stays either way.
    void signalEndsTheTest()
    {
        QFETCH(int, signalNumber);
        QTemporaryDir dir;
        const QString card = dir.filePath("card"), mine = "__card_speed_test_1.dat";
        QFile lookAlike(card + '/' + mine);
        QVERIFY(QDir().mkpath(card) && lookAlike.open(QIODevice::WriteOnly));
        QVERIFY(lookAlike.write("mine") == 4 && lookAlike.flush());
        QProcess window;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LUMORA_WINDOW_TEST_DIR", dir.path());
        window.setProcessEnvironment(env);
        window.start(QCoreApplication::applicationFilePath(), QStringList());
        const auto dataFiles = [&] { return QDir(card).entryList({"*.dat"}, QDir::Files); };
        QTRY_VERIFY_WITH_TIMEOUT(dataFiles().size() == 3, 30000);
        QVERIFY(::kill(pid_t(window.processId()), signalNumber) == 0);
        QVERIFY(window.waitForFinished(60000));
        const QStringList onlyMine{mine};
        if (signalNumber == SIGTERM) {
            QVERIFY2(window.exitStatus() == QProcess::NormalExit && window.exitCode() == 0,
                     window.readAllStandardError().constData());
            QCOMPARE(QDir(card).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), onlyMine);
            return;
        }
        QCOMPARE(dataFiles().size(), 3);
        f.addCard((card + '/').toStdString(), 1LL << 40, 1LL << 40);
        // Kept when the answer is no, and not asked again for that card.
        f.open();
        QTRY_COMPARE(f.prompts.prompts.size(), 1);
        f.click("refreshButton");
        QCoreApplication::processEvents();  // the offer comes as a queued call
        QCOMPARE(f.prompts.prompts.size(), 1);
        QCOMPARE(dataFiles().size(), 3);
        f.prompts.answerQuestion = true;
        f.open();
        QTRY_COMPARE(QDir(card).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), onlyMine);
        QCOMPARE(f.prompts.prompts.size(), 2);
        QVERIFY2(f.prompts.prompts[1].text.contains("holds 2 files"),
                 qPrintable(f.prompts.prompts[1].text));
        QCOMPARE(lookAlike.size(), 4);
    }

private:
    int bar(const char *name) const { return f.child<QProgressBar>(name)->value(); }
    QString label(const char *name) const { return f.child<QLabel>(name)->text(); }
    QAction *action(const char *name) const { return f.window->findChild<QAction *>(name); }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("LUMORA_WINDOW_TEST_DIR"))
        return runWindowUntilSignalled(qEnvironmentVariable("LUMORA_WINDOW_TEST_DIR"));
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestWindowRun test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_windowrun.moc"
