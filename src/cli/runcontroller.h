#pragma once

#include "clioptions.h"
#include "exitstatus.h"
#include "progressline.h"
#include "samplecollection.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <functional>

class ConsoleWriter;
class SpeedTester;

// Runs the rounds of one invocation, a fresh engine for each, turns the engine's reports
// into console output and collects their samples as the window does (nothing is reset
// between rounds). Polls an interrupt flag so that Ctrl-C stops the engine
// cleanly (its files are deleted before its thread ends).
class RunController : public QObject
{
    Q_OBJECT
public:
    struct Round {
        bool readDone = false;
        double writeAvg = 0.0;
        double readAvg = 0.0;
    };
    // The mean of the rounds' averages; the read mean over the rounds that read.
    struct Means {
        double write = 0.0;
        double read = 0.0;
        int readRounds = 0;
    };
    static Means meansOf(const QVector<Round> &rounds);

    // Free bytes of the target for a fill round; false when the query fails.
    using FreeSpaceQuery = std::function<bool(qint64 *freeBytes)>;

    RunController(const CliOptions &options, ConsoleWriter *console,
                  std::function<bool()> interruptRequested, FreeSpaceQuery freeSpace,
                  QObject *parent = nullptr);
    ~RunController() override;

    void start();

    bool isFinished() const { return m_finished; }
    RunOutcome outcome() const { return m_outcome; }
    // The rounds that ran to their end, in order.
    const QVector<Round> &completedRounds() const { return m_completed; }
    // The samples of every round so far, one stream per entry of streamLabels().
    const SampleCollection &samples() const { return m_samples; }
    const QStringList &streamLabels() const { return m_labels; }
    // The engine's error message when the outcome is Failed because of one.
    QString errorMessage() const { return m_errorMessage; }

signals:
    void finished();

private slots:
    void onLog(const QString &message);
    void onWriteProgress(int percent, double current, double average);
    void onReadProgress(int percent, double current, double average);
    void onWriteFinished(double average);
    void onReadFinished(double average);
    void onFileWriteSample(int fileIdx, int percent, double current, double average);
    void onFileReadSample(int fileIdx, int percent, double current, double average);
    void onTestError(const QString &message);
    void onTesterFinished();
    void pollInterrupt();

private:
    void launchRound();
    void disposeTester();
    void showProgress(ProgressLine::Phase phase, int percent, double current, double average);
    void finish(RunOutcome outcome);
    void printSummary();

    const CliOptions m_options;
    ConsoleWriter *m_console;
    std::function<bool()> m_interruptRequested;
    FreeSpaceQuery m_freeSpace;
    SpeedTester *m_tester = nullptr;
    QTimer m_interruptTimer;
    QElapsedTimer m_clock;
    ProgressLine m_progress;
    int m_round = 0;
    Round m_current;
    QVector<Round> m_completed;
    QStringList m_labels;
    SampleCollection m_samples;
    QString m_errorMessage;
    bool m_stopping = false;
    bool m_failed = false;
    bool m_finished = false;
    RunOutcome m_outcome = RunOutcome::NotRun;
};
