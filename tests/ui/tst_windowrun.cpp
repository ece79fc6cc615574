#include "loopcard.h"
#include "resultcolumns.h"
#include "speedtester.h"
#include "windowfixture.h"

#include <QDir>

// Whole tests started from the window: on a folder posing as a card, and on a real loop
// device card throttled to a known speed, with rounds, a stop and an engine error.
class TestWindowRun : public WindowTestCase
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        WindowTestCase::cleanup();
        qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
    }

    void runOnFolder()
    {
        QTemporaryDir card;
        QVERIFY(card.isValid());
        f.addCard(QDir(card.path()).absolutePath().toStdString() + "/", 68719476736, 68719476736);
        openFor(1, true, 8 * 1048576, 2, true);
        LogCapture capture;
        startAndWait();

        QCOMPARE(f.prompts.prompts.size(), 1);  // the format offer, answered No
        QCOMPARE(writeBar(), 100);
        QCOMPARE(readBar(), 100);
        QVERIFY(writeLabel().startsWith(QStringLiteral("Current: ")));
        QCOMPARE(f.window->currentStreamLabels(),
                 (QStringList{"Random stream #1", "Random stream #2"}));
        // The card total and one row per stream, each with its write and read average.
        QCOMPARE(resultRows(), 3);
        for (int row = 0; row < 3; ++row) {
            for (int column : {ResultColumn::FirstWrite, ResultColumn::FirstRead})
                QVERIFY2(f.cell(row, column).toDouble() > 0, qPrintable(f.cell(row, column)));
        }
        QVERIFY(cardWrites().average() > 0);
        QVERIFY(f.window->sampleCollection().card(PassDirection::Read).average() > 0);
        QVERIFY(testFilesIn(card.path()).isEmpty());
        // Every line of the log is time-stamped; the engine's own lines come through it.
        QVERIFY(capture.lines().size() >= 3);
        const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] "));
        for (const QString &line : capture.lines())
            QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
    }

    void threeRoundsOnLoopCard()
    {
        LoopCard card(256 * 1048576);
        LOOPCARD_REQUIRE_THROTTLE(card, 16 * 1048576, 32 * 1048576);
        openOnCard(card, 3, true, 16 * 1048576);
        QCOMPARE(f.child<QComboBox>("driveCombo")->currentData().toString(), card.rootPath());

        // What the display showed when each new round was announced.
        QStringList rounds;
        QStringList labelsAtRound;
        QList<int> barsAtRound;
        QList<int> samplesAtRound;
        {
            LogCapture capture;
            LogCapture::onMessage = [&](const QString &message) {
                if (!message.contains(QStringLiteral("Starting round")))
                    return;
                rounds << message;
                labelsAtRound << writeLabel();
                barsAtRound << writeBar();
                samplesAtRound << cardWrites().samples().size();
            };
            startAndWait();
        }
        QCOMPARE(rounds, (QStringList{"—— Starting round 2/3 ——", "—— Starting round 3/3 ——"}));
        QCOMPARE(labelsAtRound.size(), 2);
        QVERIFY2(labelsAtRound[0].startsWith(QStringLiteral("Round 1/3 · Current: ")),
                 qPrintable(labelsAtRound[0]));
        QVERIFY2(labelsAtRound[1].startsWith(QStringLiteral("Round 2/3 · Current: ")),
                 qPrintable(labelsAtRound[1]));
        QVERIFY(writeLabel().startsWith(QStringLiteral("Round 3/3 · ")));
        // The bar runs once over all rounds: a round's end is a third of the way further.
        QCOMPARE(barsAtRound, (QList<int>{33, 66}));
        QCOMPARE(writeBar(), 100);
        QCOMPARE(readBar(), 100);
        // Nothing is reset between rounds: the series only grows.
        QVERIFY(samplesAtRound[0] > 0);
        QVERIFY(samplesAtRound[1] > samplesAtRound[0]);
        QVERIFY(cardWrites().samples().size() > samplesAtRound[1]);
        // One stream: the card total is the only row.
        QCOMPARE(resultRows(), 1);
        QVERIFY(!f.cell(0, ResultColumn::Verdict).isEmpty());
        QVERIFY(testFilesIn(card.rootPath()).isEmpty());

        // The throttle is the card's speed; 10 % covers the start of each pass.
        const double writeAvg = cardWrites().average();
        const double readAvg = f.window->sampleCollection().card(PassDirection::Read).average();
        qInfo("loop card throttled to 16 / 32 MB/s: write %.2f MB/s, read %.2f MB/s", writeAvg,
              readAvg);
        QVERIFY2(qAbs(writeAvg - 16.0) <= 1.6, qPrintable(QString::number(writeAvg)));
        QVERIFY2(qAbs(readAvg - 32.0) <= 3.2, qPrintable(QString::number(readAvg)));
    }

    void stopDuringRoundTwo()
    {
        LoopCard card(256 * 1048576);
        LOOPCARD_REQUIRE_THROTTLE(card, 8 * 1048576, 0);
        openOnCard(card, 3, false, 8 * 1048576);

        LogCapture capture;
        f.child<QPushButton>("startButton")->click();
        QVERIFY(f.window->currentTester() != nullptr);
        // Well into round 2: the bar has passed the third of round 1.
        QTRY_VERIFY_WITH_TIMEOUT(writeBar() > 36, 30000);
        QVERIFY(capture.messages().contains(QStringLiteral("—— Starting round 2/3 ——")));
        f.child<QPushButton>("stopButton")->click();
        QCOMPARE(capture.messages().last(), QStringLiteral("Stopping test..."));
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 30000);

        // No third round, and everything of the stopped test is cleared.
        QVERIFY(!capture.messages().contains(QStringLiteral("—— Starting round 3/3 ——")));
        QCOMPARE(resultRows(), 0);
        QCOMPARE(writeBar(), 0);
        QCOMPARE(readBar(), 0);
        QCOMPARE(writeLabel(), QStringLiteral("Current: -- MB/s  |  Avg: -- MB/s"));
        QVERIFY(f.window->currentStreamLabels().isEmpty());
        QVERIFY(cardWrites().samples().isEmpty());
        QVERIFY(testFilesIn(card.rootPath()).isEmpty());
    }

private:
    void openFor(int rounds, bool read, qint64 bytes, int streams, bool fakeDrives)
    {
        QSettings().setValue(QStringLiteral("verdict/iterCount"), rounds);
        QSettings().setValue(QStringLiteral("verdict/enableRead"), read);
        f.open(fakeDrives);
        auto *sizes = f.child<QComboBox>("testSizeCombo");
        sizes->addItem(QStringLiteral("test"), QVariant::fromValue<qint64>(bytes));
        sizes->setCurrentIndex(sizes->count() - 1);
        f.child<QSpinBox>("streamCountSpin")->setValue(streams);
    }

    void openOnCard(const LoopCard &card, int rounds, bool read, qint64 bytes)
    {
        qputenv("LUMORACARD_REMOVABLE_ROOTS", card.rootPath().toLocal8Bit());
        openFor(rounds, read, bytes, 1, false);
    }

    void startAndWait()
    {
        f.child<QPushButton>("startButton")->click();
        QVERIFY2(f.window->currentTester() != nullptr, "the test did not start");
        QVERIFY(!idle());
        QVERIFY(f.child<QPushButton>("stopButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 60000);
        QVERIFY(f.window->currentTester()->isFinished());
        QVERIFY(!f.child<QPushButton>("stopButton")->isEnabled());
    }

    bool idle() const { return f.child<QPushButton>("startButton")->isEnabled(); }
    int writeBar() const { return f.child<QProgressBar>("writeProgressBar")->value(); }
    int readBar() const { return f.child<QProgressBar>("readProgressBar")->value(); }
    QString writeLabel() const { return f.child<QLabel>("writeSpeedLabel")->text(); }
    const SampleSeries &cardWrites() const
    {
        return f.window->sampleCollection().card(PassDirection::Write);
    }
    int resultRows() const { return f.child<QTableWidget>("resultsTable")->rowCount(); }
    static QStringList testFilesIn(const QString &root)
    {
        return QDir(root).entryList({QStringLiteral("__card_speed_test_*")},
                                    QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }
};

QTEST_MAIN(TestWindowRun)
#include "tst_windowrun.moc"
