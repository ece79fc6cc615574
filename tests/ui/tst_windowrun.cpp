#include "loopcard.h"
#include "resultcolumns.h"
#include "speedtester.h"
#include "windowfixture.h"

#include <QDir>

// Whole tests started from the window: on a folder posing as a card, and on a real loop
// device card throttled to a known speed, with rounds and a stop.
class TestWindowRun : public WindowTestCase
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        WindowTestCase::cleanup();
        qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
    }

    // The first reports of a test show no speed of the test before; while it runs, a
    // language switch only retranslates. Then it ends with a row per stream and no file.
    void runOnFolder()
    {
        QTemporaryDir card;
        const QString root = QDir(card.path()).absolutePath() + QLatin1Char('/');
        f.addCard("/a/", 68719476736, 68719476736);  // listed first
        f.addCard(root.toStdString(), 68719476736, 68719476736);
        openFor(1, true, 64 * 1048576, 2, true);
        auto *drives = f.child<QComboBox>("driveCombo");
        drives->setCurrentIndex(1);
        f.window->onWriteProgress(100, 77.0, 77.0);
        f.window->onReadProgress(100, 66.0, 66.0);

        f.click("startButton");
        QVERIFY2(f.window->currentTester() != nullptr, "the test did not start");
        f.window->onWriteProgress(0, 0.0, 0.0);
        f.window->onReadProgress(0, 0.0, 0.0);
        QVERIFY2(writeLabel().startsWith(QStringLiteral("Current: 0.00 ")),
                 qPrintable(writeLabel()));
        QVERIFY2(readLabel().startsWith(QStringLiteral("Current: 0.00 ")), qPrintable(readLabel()));
        // A report without speed keeps showing the last real one.
        f.window->onWriteProgress(1, 12.5, 12.5);
        f.window->onWriteProgress(2, 0.0, 12.5);
        QVERIFY2(writeLabel().startsWith(QStringLiteral("Current: 12.50 ")),
                 qPrintable(writeLabel()));
        switchLanguage(SimplifiedChinese);
        QVERIFY(!f.idle() && !drives->isEnabled());
        QCOMPARE(drives->currentData().toString(), root);
        QVERIFY(!f.child<QCheckBox>("readTestCheck")->isEnabled());
        QVERIFY(!f.child<QPushButton>("verdictRulesButton")->isEnabled());
        switchLanguage(English);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 60000);

        QCOMPARE(f.prompts.prompts.size(), 1);  // the format offer, answered No
        QCOMPARE(writeBar(), 100);
        QCOMPARE(readBar(), 100);
        QCOMPARE(resultRows(), 3);
        for (int row = 0; row < 3; ++row) {
            for (int column : {ResultColumn::FirstWrite, ResultColumn::FirstRead})
                QVERIFY2(f.cell(row, column).toDouble() > 0, qPrintable(f.cell(row, column)));
        }
        QVERIFY(testFilesIn(root).isEmpty());
    }

    // The bar runs once over all rounds, the label names the round, nothing is reset
    // between rounds, and the averages are the card's speed.
    void threeRoundsOnLoopCard()
    {
        LoopCard card(256 * 1048576);
        LOOPCARD_REQUIRE_THROTTLE(card, 16 * 1048576, 32 * 1048576);
        openOnCard(card, 3, true, 16 * 1048576);
        QStringList labelsAtRound;
        QList<int> barsAtRound;
        QList<int> samplesAtRound;
        {
            LogCapture capture;
            LogCapture::onMessage = [&](const QString &message) {
                if (!message.contains(QStringLiteral("Starting round")))
                    return;
                labelsAtRound << writeLabel();
                barsAtRound << writeBar();
                samplesAtRound << cardWrites().samples().size();
            };
            f.click("startButton");
            QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 60000);
        }
        QCOMPARE(labelsAtRound.size(), 2);
        QVERIFY2(labelsAtRound[0].startsWith(QStringLiteral("Round 1/3 · Current: ")),
                 qPrintable(labelsAtRound[0]));
        QVERIFY(labelsAtRound[1].startsWith(QStringLiteral("Round 2/3 · ")));
        QCOMPARE(barsAtRound, (QList<int>{33, 66}));
        QCOMPARE(writeBar(), 100);
        QVERIFY(samplesAtRound[0] > 0 && samplesAtRound[1] > samplesAtRound[0]);
        QVERIFY(cardWrites().samples().size() > samplesAtRound[1]);
        QCOMPARE(resultRows(), 1);
        QVERIFY(testFilesIn(card.rootPath()).isEmpty());

        // The throttle is the card's speed; 10 % covers the start of each pass.
        const double write = cardWrites().average();
        const double read = f.window->sampleCollection().card(PassDirection::Read).average();
        qInfo("loop card throttled to 16 / 32 MB/s: write %.2f MB/s, read %.2f MB/s", write, read);
        QVERIFY2(qAbs(write - 16.0) <= 1.6, qPrintable(QString::number(write)));
        QVERIFY2(qAbs(read - 32.0) <= 3.2, qPrintable(QString::number(read)));
    }

    // Stopped well into round 2: no third round, and everything of the test is cleared.
    void stopDuringRoundTwo()
    {
        LoopCard card(256 * 1048576);
        LOOPCARD_REQUIRE_THROTTLE(card, 8 * 1048576, 0);
        openOnCard(card, 3, false, 8 * 1048576);
        LogCapture capture;
        f.click("startButton");
        QTRY_VERIFY_WITH_TIMEOUT(writeBar() > 36, 30000);
        f.click("stopButton");
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 30000);
        QVERIFY(!capture.messages().contains(QStringLiteral("—— Starting round 3/3 ——")));
        QCOMPARE(resultRows(), 0);
        QCOMPARE(writeBar(), 0);
        QCOMPARE(writeLabel(), QStringLiteral("Current: -- MB/s  |  Avg: -- MB/s"));
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

    int writeBar() const { return f.child<QProgressBar>("writeProgressBar")->value(); }
    int readBar() const { return f.child<QProgressBar>("readProgressBar")->value(); }
    QString writeLabel() const { return f.child<QLabel>("writeSpeedLabel")->text(); }
    QString readLabel() const { return f.child<QLabel>("readSpeedLabel")->text(); }
    int resultRows() const { return f.child<QTableWidget>("resultsTable")->rowCount(); }
    const SampleSeries &cardWrites() const
    {
        return f.window->sampleCollection().card(PassDirection::Write);
    }
    static QStringList testFilesIn(const QString &root)
    {
        return QDir(root).entryList({QStringLiteral("__card_speed_test_*")},
                                    QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }
};

QTEST_MAIN(TestWindowRun)
#include "tst_windowrun.moc"
