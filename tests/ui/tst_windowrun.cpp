#include "fakemachine.h"
#include "loopcard.h"
#include "mainwindow.h"
#include "resultcolumns.h"
#include "speedtester.h"
#include "windowtestkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Whole tests started from the window: on a folder posing as a card, and on a real loop
// device card, with rounds, a stop and an engine error.
class TestWindowRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void runOnFolder();
    void runOnLoopCard();
    void threeRounds();
    void stopDuringRoundTwo();
    void errorEndsAfterItsRound_data();
    void errorEndsAfterItsRound();

private:
    template <typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    void makeWindow(int rounds, bool read);
    void useSize(qint64 bytes, int streams);
    void startAndWait(int timeoutMs);
    QStringList testFilesIn(const QString &root) const;

    QTemporaryDir settingsDir;
    PromptLog prompts;
    std::unique_ptr<MainWindow> window;
};

void TestWindowRun::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY2(startWindowEnvironment(settingsDir.path(), English), "settings are not redirected");
}

void TestWindowRun::cleanup()
{
    window.reset();
    qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
    QSettings settings;
    settings.remove(QStringLiteral("testSettings"));
    settings.remove(QStringLiteral("verdict"));
}

void TestWindowRun::makeWindow(int rounds, bool read)
{
    QSettings().setValue(QStringLiteral("verdict/iterCount"), rounds);
    QSettings().setValue(QStringLiteral("verdict/enableRead"), read);
    prompts = PromptLog();
    window = std::make_unique<MainWindow>();
    window->setPromptHandler(prompts.handler());
    window->show();
}

// The standard sizes start at 512 MB; a small test keeps the card and the run short.
void TestWindowRun::useSize(qint64 bytes, int streams)
{
    auto *sizes = child<QComboBox>("testSizeCombo");
    sizes->addItem(QStringLiteral("test"), QVariant::fromValue<qint64>(bytes));
    sizes->setCurrentIndex(sizes->count() - 1);
    child<QSpinBox>("streamCountSpin")->setValue(streams);
}

void TestWindowRun::startAndWait(int timeoutMs)
{
    child<QPushButton>("startButton")->click();
    QVERIFY2(window->currentTester() != nullptr, "the test did not start");
    QVERIFY(!child<QPushButton>("startButton")->isEnabled());
    QVERIFY(child<QPushButton>("stopButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("startButton")->isEnabled(), timeoutMs);
    QVERIFY(window->currentTester()->isFinished());
    QVERIFY(!child<QPushButton>("stopButton")->isEnabled());
}

QStringList TestWindowRun::testFilesIn(const QString &root) const
{
    return QDir(root).entryList({QStringLiteral("__card_speed_test_*")},
                                QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

void TestWindowRun::runOnFolder()
{
    QTemporaryDir card;
    QVERIFY(card.isValid());
    const std::string root = QDir(card.path()).absolutePath().toStdString() + "/";
    auto table = std::make_shared<FakeDriveTable>();
    FakeDrive d;
    d.volume = {"FOLDER", "ext4"};
    d.space = {68719476736, 68719476736};
    table->drives[root] = d;

    makeWindow(1, true);
    window->setDriveService(std::make_unique<FakeDriveService>(table));
    useSize(8 * 1048576, 2);
    LogCapture capture;
    startAndWait(60000);

    QVERIFY(prompts.prompts.size() == 1);  // the format offer, answered No
    QCOMPARE(child<QProgressBar>("writeProgressBar")->value(), 100);
    QCOMPARE(child<QProgressBar>("readProgressBar")->value(), 100);
    QCOMPARE(window->currentStreamLabels(), (QStringList{"Random stream #1", "Random stream #2"}));
    // The card total and one row per stream, each with its write and read average.
    auto *results = child<QTableWidget>("resultsTable");
    QCOMPARE(results->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        for (int column : {ResultColumn::FirstWrite, ResultColumn::FirstRead}) {
            QVERIFY(results->item(row, column));
            QVERIFY2(results->item(row, column)->text().toDouble() > 0,
                     qPrintable(results->item(row, column)->text()));
        }
    }
    QVERIFY(window->sampleCollection().card(PassDirection::Write).average() > 0);
    QVERIFY(window->sampleCollection().card(PassDirection::Read).average() > 0);
    QVERIFY(child<QLabel>("writeSpeedLabel")->text().startsWith(QStringLiteral("Current: ")));
    QVERIFY(testFilesIn(card.path()).isEmpty());
    // Every line of the log is time-stamped; the engine's own lines come through it.
    QVERIFY(capture.lines().size() >= 3);
    for (const QString &line : capture.lines())
        QVERIFY2(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] "))
                     .match(line)
                     .hasMatch(),
                 qPrintable(line));
}

void TestWindowRun::runOnLoopCard()
{
    LoopCard card(256 * 1048576);
    const qint64 rate = 16 * 1048576;
    LOOPCARD_REQUIRE_THROTTLE(card, rate, 2 * rate);
    qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toLocal8Bit());

    // The window's own drive service finds the card by its name in the variable.
    makeWindow(1, true);
    auto *drives = child<QComboBox>("driveCombo");
    QCOMPARE(drives->currentData().toString(), card.rootPath());
    useSize(32 * 1048576, 1);
    startAndWait(60000);

    QVERIFY2(prompts.prompts.size() == 1, qPrintable(prompts.prompts.last().text));
    QCOMPARE(child<QProgressBar>("writeProgressBar")->value(), 100);
    QCOMPARE(child<QProgressBar>("readProgressBar")->value(), 100);
    // One stream: the card total is the only row.
    auto *results = child<QTableWidget>("resultsTable");
    QCOMPARE(results->rowCount(), 1);
    QVERIFY(results->item(0, ResultColumn::FirstWrite));
    QVERIFY(!results->item(0, ResultColumn::FirstWrite)->text().isEmpty());
    QVERIFY(!results->item(0, ResultColumn::Verdict)->text().isEmpty());
    const double writeAvg = window->sampleCollection().card(PassDirection::Write).average();
    const double readAvg = window->sampleCollection().card(PassDirection::Read).average();
    QVERIFY(!window->sampleCollection().card(PassDirection::Write).samples().isEmpty());
    qInfo("loop card throttled to 16 / 32 MB/s: write %.2f MB/s, read %.2f MB/s", writeAvg,
          readAvg);
    // The throttle is the card's speed; 10 % covers the start of each pass.
    QVERIFY2(qAbs(writeAvg - 16.0) <= 1.6, qPrintable(QString::number(writeAvg)));
    QVERIFY2(qAbs(readAvg - 32.0) <= 3.2, qPrintable(QString::number(readAvg)));
    QVERIFY(testFilesIn(card.rootPath()).isEmpty());
}

void TestWindowRun::threeRounds()
{
    LoopCard card(256 * 1048576);
    LOOPCARD_REQUIRE_THROTTLE(card, 16 * 1048576, 0);
    qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toLocal8Bit());
    makeWindow(3, false);
    useSize(12 * 1048576, 1);

    // What the display showed when each new round was announced.
    QStringList labelsAtRound;
    QList<int> barsAtRound;
    QList<int> samplesAtRound;
    LogCapture capture;
    LogCapture::onMessage = [&](const QString &message) {
        if (!message.contains(QStringLiteral("Starting round")))
            return;
        labelsAtRound << child<QLabel>("writeSpeedLabel")->text();
        barsAtRound << child<QProgressBar>("writeProgressBar")->value();
        samplesAtRound << window->sampleCollection().card(PassDirection::Write).samples().size();
    };
    startAndWait(60000);

    const QStringList rounds = capture.messages().filter(QStringLiteral("Starting round"));
    QCOMPARE(rounds, (QStringList{QString::fromUtf8("—— Starting round 2/3 ——"),
                                  QString::fromUtf8("—— Starting round 3/3 ——")}));
    QCOMPARE(labelsAtRound.size(), 2);
    QVERIFY2(labelsAtRound[0].startsWith(QString::fromUtf8("Round 1/3 · Current: ")),
             qPrintable(labelsAtRound[0]));
    QVERIFY2(labelsAtRound[1].startsWith(QString::fromUtf8("Round 2/3 · Current: ")),
             qPrintable(labelsAtRound[1]));
    QVERIFY(child<QLabel>("writeSpeedLabel")->text().startsWith(QString::fromUtf8("Round 3/3 · ")));
    // The bar runs once over all rounds: a round's end is a third of the way further.
    QCOMPARE(barsAtRound, (QList<int>{33, 66}));
    QCOMPARE(child<QProgressBar>("writeProgressBar")->value(), 100);
    // Nothing is reset between rounds: the series only grows.
    const int total = window->sampleCollection().card(PassDirection::Write).samples().size();
    QVERIFY(samplesAtRound[0] > 0);
    QVERIFY(samplesAtRound[1] > samplesAtRound[0]);
    QVERIFY(total > samplesAtRound[1]);
    QCOMPARE(child<QTableWidget>("resultsTable")->rowCount(), 1);
    QVERIFY(
        !child<QTableWidget>("resultsTable")->item(0, ResultColumn::FirstWrite)->text().isEmpty());
    QVERIFY(testFilesIn(card.rootPath()).isEmpty());
}

void TestWindowRun::stopDuringRoundTwo()
{
    LoopCard card(256 * 1048576);
    LOOPCARD_REQUIRE_THROTTLE(card, 8 * 1048576, 0);
    qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toLocal8Bit());
    makeWindow(3, false);
    useSize(8 * 1048576, 1);

    LogCapture capture;
    child<QPushButton>("startButton")->click();
    QVERIFY(window->currentTester() != nullptr);
    // Well into round 2: the bar has passed the third of round 1.
    QTRY_VERIFY_WITH_TIMEOUT(child<QProgressBar>("writeProgressBar")->value() > 36, 30000);
    QVERIFY(capture.messages().contains(QString::fromUtf8("—— Starting round 2/3 ——")));
    child<QPushButton>("stopButton")->click();
    QCOMPARE(capture.messages().last(), QStringLiteral("Stopping test..."));
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("startButton")->isEnabled(), 30000);

    QVERIFY(!capture.messages().contains(QString::fromUtf8("—— Starting round 3/3 ——")));
    QCOMPARE(child<QTableWidget>("resultsTable")->rowCount(), 0);
    QCOMPARE(child<QProgressBar>("writeProgressBar")->value(), 0);
    QCOMPARE(child<QProgressBar>("readProgressBar")->value(), 0);
    QCOMPARE(child<QLabel>("writeSpeedLabel")->text(),
             QStringLiteral("Current: -- MB/s  |  Avg: -- MB/s"));
    QVERIFY(window->currentStreamLabels().isEmpty());
    QVERIFY(window->sampleCollection().card(PassDirection::Write).samples().isEmpty());
    QVERIFY(testFilesIn(card.rootPath()).isEmpty());
}

void TestWindowRun::errorEndsAfterItsRound_data()
{
    QTest::addColumn<bool>("boxOpenAtThreadEnd");
    QTest::newRow("box closed first") << false;
    QTest::newRow("thread ends while the box is open") << true;
}

void TestWindowRun::errorEndsAfterItsRound()
{
    QFETCH(bool, boxOpenAtThreadEnd);
    LoopCard card(256 * 1048576);
    LOOPCARD_REQUIRE_THROTTLE(card, 16 * 1048576, 0);
    qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toLocal8Bit());
    makeWindow(3, false);
    useSize(8 * 1048576, 1);

    // A folder under the test file's name makes round 2 fail to create it.
    const QString blocker = card.rootPath() + QStringLiteral("__card_speed_test_1.dat");
    LogCapture capture;
    LogCapture::onMessage = [&](const QString &message) {
        if (message.contains(QStringLiteral("Starting round 2/3")))
            QDir().mkpath(blocker + QStringLiteral("/inside"));
    };
    int boxes = 0;
    window->setPromptHandler([&](QWidget *, const UserPrompt &p) -> bool {
        if (p.kind == UserPrompt::Critical) {
            ++boxes;
            // As a modal box would: events, the end of the engine thread among them, go on
            // while it is open.
            QElapsedTimer open;
            open.start();
            while (boxOpenAtThreadEnd && !child<QPushButton>("startButton")->isEnabled()
                   && open.elapsed() < 30000)
                QTest::qWait(10);
        }
        return false;
    });
    child<QPushButton>("startButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("startButton")->isEnabled(), 60000);
    QTest::qWait(200);  // a wrongly started round 3 would show now

    QCOMPARE(boxes, 1);
    const QStringList errors =
        capture.messages().filter(QRegularExpression(QStringLiteral("^Error: ")));
    QCOMPARE(errors.size(), 1);
    QVERIFY(!capture.messages().contains(QString::fromUtf8("—— Starting round 3/3 ——")));
    QVERIFY(window->currentTester()->isFinished());
    QVERIFY(child<QPushButton>("startButton")->isEnabled());
    // Round 1's results stay.
    QCOMPARE(child<QTableWidget>("resultsTable")->rowCount(), 1);
    QVERIFY(
        !child<QTableWidget>("resultsTable")->item(0, ResultColumn::FirstWrite)->text().isEmpty());
    QVERIFY(!window->sampleCollection().card(PassDirection::Write).samples().isEmpty());
    QVERIFY(QDir().rmpath(blocker + QStringLiteral("/inside")) || !QFileInfo::exists(blocker));
}

QTEST_MAIN(TestWindowRun)
#include "tst_windowrun.moc"
