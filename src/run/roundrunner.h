#pragma once

#include "cardguard.h"
#include "datacheck.h"
#include "passclock.h"
#include "samplecollection.h"
#include "stressestimate.h"
#include "testplan.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QVector>

class SpeedTester;

// Runs the rounds of one test, a fresh engine for each, and collects their samples: the one
// run of the program, which the window and the command line only display. Everything it
// decides (when a round may be judged, whether another round follows, how the run ended)
// follows the plan it was started with.
class RoundRunner : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { None, Completed, Failed, Stopped };
    // The engine's averages of one round that ran to its end.
    struct RoundAverages {
        double write = 0.0;
        double read = 0.0;
        bool readDone = false;
    };
    // The mean of the rounds' averages; the read mean over the rounds that read.
    struct Means {
        double write = 0.0;
        double read = 0.0;
        int readRounds = 0;
    };
    static Means meansOf(const QVector<RoundAverages> &rounds);

    explicit RoundRunner(QObject *parent = nullptr);
    // Stops a running engine and waits for it, so nothing reports to a destroyed runner.
    ~RoundRunner() override;

    // Starts the first round; false (and nothing happens) while a test runs. `freeBytes`
    // sizes the stress mode's fill.
    bool start(const TestPlan &plan, qint64 freeBytes = 0);
    // A run recorded elsewhere, played back through the engine's reports below: the
    // samples start empty for `sources` under `plan`, and no engine runs.
    void replay(const TestPlan &plan, const QVector<StreamSource> &sources);
    // Honoured at any moment of the run: the engine deletes its files, no round follows.
    void stop();
    // stop(), then waits until the engine has deleted its files and ended; for a process
    // that is about to end. The end of the run is still reported through the event loop.
    void stopAndWait();
    bool isRunning() const { return m_running; }

    const TestPlan &plan() const { return m_plan; }
    int round() const { return m_round; }
    // `percent` of the current pass on the one axis the rounds of a repeated test share.
    int axisPercent(int percent) const;
    const QVector<StreamSource> &streamSources() const { return m_sources; }
    // Time taken and time left of the running pass.
    const PassClock &passClock() const { return m_clock; }
    const SampleCollection &samples() const { return m_samples; }
    // The stress mode's files and rounds on the free space the run started with, and where
    // its write stands at the pass's average speed `averageMBps`.
    StressEstimate stressEstimate() const { return estimateStress(m_plan, m_freeBytes); }
    StressPosition stressNow(double averageMBps) const;
    // Forgets the samples of the last test (its results are no longer shown).
    void clearSamples();
    const QVector<RoundAverages> &completedRounds() const { return m_completed; }
    // What reading the data back found over the rounds so far; ran is false without it.
    const DataCheck &dataCheck() const { return m_dataCheck; }
    // Test files the engine could not delete at the end, with the log line that says why.
    struct LeftFile {
        QString path;
        QString message;
    };
    const QVector<LeftFile> &leftFiles() const { return m_leftFiles; }
    Outcome outcome() const { return m_outcome; }
    // The engine's first error message of a failed run.
    QString errorMessage() const { return m_errorMessage; }
    // The engine of the running or last round; null before the first.
    const SpeedTester *tester() const { return m_tester; }
    // When the run started and ended, local time; endedAt is invalid until it has ended.
    QDateTime startedAt() const { return m_startedAt; }
    QDateTime endedAt() const { return m_endedAt; }
    // Its length on a steady clock, which a change of the wall clock does not bend; -1
    // until it has ended.
    qint64 durationMs() const { return m_durationMs; }

public slots:
    // What the engine reports, in its words.
    void onWriteProgress(int percent, double currentMBps, double averageMBps);
    void onReadProgress(int percent, double currentMBps, double averageMBps);
    void onFileWriteSample(int fileIdx, int percent, double currentMBps, double averageMBps);
    void onFileReadSample(int fileIdx, int percent, double currentMBps, double averageMBps);
    void onWriteFinished(double average);
    void onReadFinished(double average);
    void onDataChecked(const DataCheck &check);

signals:
    void log(const QString &message);
    void progress(PassDirection pass, int percent, double currentMBps, double averageMBps);
    void streamSample(PassDirection pass, int stream, int percent, double currentMBps);
    // A pass ended well: its statistics can be shown.
    void passFinished(PassDirection pass);
    // Every pass the plan asks of this round ended well: the rows can be judged.
    void roundJudgeable();
    void error(const QString &message);
    void finished(RoundRunner::Outcome outcome);

private:
    void launchRound();
    void disposeTester();
    void onTestError(const QString &message);
    void onTesterFinished();
    void finish(Outcome outcome);
    void markStarted();

    TestPlan m_plan;
    qint64 m_freeBytes = 0;
    // What the card's root led to at Start: every round must find it again.
    std::optional<platform::VolumeIdentity> m_cardVolume;
    QVector<StreamSource> m_sources;
    SampleCollection m_samples;
    PassClock m_clock;
    SpeedTester *m_tester = nullptr;
    int m_round = 0;
    RoundAverages m_current;
    QVector<RoundAverages> m_completed;
    DataCheck m_dataCheck;
    QVector<LeftFile> m_leftFiles;
    QString m_errorMessage;
    bool m_running = false;
    bool m_stopping = false;
    bool m_roundFailed = false;
    bool m_stressMeasured = false;
    Outcome m_outcome = Outcome::None;
    QDateTime m_startedAt;
    QDateTime m_endedAt;
    QElapsedTimer m_duration;
    qint64 m_durationMs = -1;
};

Q_DECLARE_METATYPE(RoundRunner::Outcome)
Q_DECLARE_METATYPE(PassDirection)
