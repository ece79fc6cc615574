#pragma once

#include "asyncformatservice.h"
#include "cardinfo.h"
#include "drives.h"
#include "evaluation.h"
#include "plancheck.h"
#include "roundrunner.h"
#include "runreport.h"
#include "userprompt.h"
#include "verdict.h"

#include <QDateTime>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QVector>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QImage;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class HistoryActions;
class DashcamProfilePicker;
class DashcamResultView;
class LogPanel;
class SpeedChartWidget;
class StressBanner;
class SpeedTester;

// The program's only top-level window: test settings, start and stop, progress, the live
// chart and the results table. It displays the run core's test (RoundRunner), which owns
// the engine. Its implementation is split by concern over mainwindow_<concern>.cpp: layout,
// texts and language menu, drives, start and stop, format, progress, results, verdict rules
// and stored test settings.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Starts the display of a new test of these streams: chart curves and table rows are
    // rebuilt empty. The test start calls it once the run has begun.
    void prepareResults(const QVector<StreamSource> &sources);

    const VerdictRules &verdictRules() const { return rules; }
    const SampleCollection &sampleCollection() const { return runner.samples(); }
    QStringList currentStreamLabels() const { return streamLabelsOf(runner.streamSources()); }
    const RoundRunner &currentRun() const { return runner; }
    RoundRunner &currentRun() { return runner; }

    // The machine's drives and their formatting; tests hand in fakes. Replacing the drive
    // service lists the drives again.
    void setDriveService(std::unique_ptr<platform::DriveService> service);
    void setFormatService(std::unique_ptr<FormatService> service);
    // Every message box and question of the window goes through this handler.
    void setPromptHandler(PromptHandler handler) { promptHandler = std::move(handler); }
    // The engine of the running or last test; null before the first test.
    const SpeedTester *currentTester() const { return runner.tester(); }
    // Stops a running test (or a format wait) and waits until the engine has deleted its
    // files: the process is about to end.
    void endTestNow();

    // Sizes the window for a screen whose free area is `available` (device-independent
    // pixels): the usual size where it fits, else smaller with a smaller chart and table,
    // placed inside that area.
    void fitToScreen(const QRect &available);
    QRect availableScreenArea() const;

public slots:
    void refreshDrives();
    void onTestModeChanged();
    void openVerdictSettings();
    void browseSourceFiles();
    void clearSourceFiles();
    void startTest();
    void stopTest();
    void onWriteProgress(int percent, double currentSpeed, double avgSpeed);
    void onReadProgress(int percent, double currentSpeed, double avgSpeed);
    void onFileWriteSample(int fileIdx, int percent, double cur);
    void onFileReadSample(int fileIdx, int percent, double cur);
    void onTestError(const QString &message);
    void onTestFinished();
    void onReadTestToggled(bool checked);
    void appendLog(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Layout and texts.
    void setupUi();
    QGroupBox *createSettingsGroup();
    void createButtonRow();
    void createProgressGroups();
    void createChartGroup();
    void createResultsGroup();
    void connectControls();
    void retranslateUi();
    void retranslateResultHeaders();
    void updateTotalSize();
    QLabel *makeRowLabel(QWidget *parent);
    void setupLanguageMenu();
    void setupFileMenu();
    void applyShortcuts();

    // Results table and verdicts.
    void setupResultsTable();
    void prepareResultRows(const QStringList &names);
    void retranslateResultRows();
    void setSpeedCell(int row, int column, double value, double threshold);
    void setRatioCell(int row, int column, double value, double warn, double fail,
                      const QString &toolTip);
    void setVerdictCell(int row, const RowResult &result);
    // The judged rows in their cells and the test's verdict under the table, in the
    // current language.
    void showVerdicts();
    void saveVerifySetting();
    void fillPassColumns(PassDirection pass, int row, const SpeedStats &stats);
    void fillPassResults(PassDirection pass);
    void evaluateVerdicts();
    void showReadResults(bool visible);
    void showResultColumns();

    // Stored verdict rules; the per-stream minimums live in their hidden spin boxes.
    void loadVerdictRules();
    void saveVerdictRules();
    void takePerStreamThresholds();

    // Drives, test start and stop, progress, stored test settings.
    void onDriveChanged();
    qint64 driveCapacity() const;
    QString driveItemText(const QString &root) const;
    void retranslateDrives();
    // Offers to remove what an interrupted test left on the chosen drive; asked once per
    // drive unless the answer was yes.
    void offerLeftoverRemoval();
    TestPlan planFromControls() const;
    // Shows the refusal, if any, of `plan` at `stage`; `facts` receives what was asked.
    bool refuses(const TestPlan &plan, CheckStage stage, TargetFacts *facts = nullptr);
    void launchPlan(const TestPlan &plan);
    // The stress mode's estimate, and the one question before it writes the whole card.
    bool confirmStress(const TestPlan &plan, qint64 freeBytes);
    void showStressProgress(PassDirection pass, double average);
    void connectRunner();
    QString liveSpeedText(double current, double average) const;
    void setRunning(bool running);
    void resetResults();
    bool prompt(UserPrompt::Kind kind, const QString &title, const QString &text);
    // After the checks and the format offer: the free-space check, then the preparation
    // and the launch of the plan startTest() took (pendingPlan) on `drive`.
    void continueStart(const QString &drive);
    void loadTestSettings();
    void saveTestSettings();
    // A recording profile chosen in the settings: one stream per channel, and stored.
    void onDashcamProfileChosen(const DashcamProfile &profile);
    // The tested card's size for the hours of recording; -1 when unknown.
    qint64 testedCapacity() const;

    // Results that leave the window (mainwindow_export.cpp).
    void updateExportActions();
    QList<int> exportColumns() const;
    // The text of a results cell; row -1 is the header.
    QString exportCell(int row, int column) const;
    QStringList resultHeaderLines() const;
    QString resultsText() const;
    QImage resultsImage() const;
    QString suggestedFileName(const QString &suffix) const;
    void saveReport();
    void saveImage();
    void copyResults();
    void saveLog();

    // Formatting before a test (mainwindow_format.cpp). The window stays responsive and
    // locked as during a run; Stop abandons the wait and the test never starts.
    FormatService *ensureFormatService();
    void formatBeforeTest(const QString &drive);
    void onFormatFinished(platform::FormatResult result, const QString &newRoot);
    void afterFormat(const QString &drive, platform::FormatResult result, const QString &newRoot);
    void logFormatOutcome(platform::FormatResult result);
    void endFormatWait();
    void abandonFormat();

    // Settings grid.
    QGroupBox *settingsGroup = nullptr;
    QLabel *driveLabel = nullptr;
    QLabel *modeLabel = nullptr;
    QLabel *sizeLabel = nullptr;
    QLabel *streamsLabel = nullptr;
    QLabel *filesLabel = nullptr;
    QLabel *blockLabel = nullptr;
    QLabel *readRowLabel = nullptr;
    QComboBox *driveCombo = nullptr;
    QPushButton *refreshButton = nullptr;
    QRadioButton *randomModeRadio = nullptr;
    QRadioButton *externalFileRadio = nullptr;
    QWidget *sizeRow = nullptr;
    QComboBox *testSizeCombo = nullptr;
    QSpinBox *streamCountSpin = nullptr;
    QLabel *totalSizeLabel = nullptr;
    QWidget *fileListBox = nullptr;
    QListWidget *fileList = nullptr;
    QLabel *fileSummaryLabel = nullptr;
    QWidget *fileButtonsBox = nullptr;
    QPushButton *browseButton = nullptr;
    QPushButton *clearFilesButton = nullptr;
    QComboBox *blockSizeCombo = nullptr;
    QCheckBox *readTestCheck = nullptr;
    QCheckBox *verifyDataCheck = nullptr;
    DashcamProfilePicker *dashcamPicker = nullptr;
    QDoubleSpinBox *perStreamWriteSpin = nullptr;
    QDoubleSpinBox *perStreamReadSpin = nullptr;

    // Buttons, progress, chart, results.
    QPushButton *verdictRulesButton = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *stopButton = nullptr;
    StressBanner *stressBanner = nullptr;
    QGroupBox *writeGroup = nullptr;
    QGroupBox *readGroup = nullptr;
    QProgressBar *writeProgressBar = nullptr;
    QProgressBar *readProgressBar = nullptr;
    QLabel *writeSpeedLabel = nullptr;
    QLabel *readSpeedLabel = nullptr;
    QGroupBox *chartGroup = nullptr;
    SpeedChartWidget *speedChart = nullptr;
    QGroupBox *resultsGroup = nullptr;
    QTableWidget *resultsTable = nullptr;
    QLabel *resultSummaryLabel = nullptr;
    DashcamResultView *dashcamView = nullptr;

    // File menu.
    QAction *fileMenuAction = nullptr;
    QAction *saveReportAction = nullptr;
    QAction *saveImageAction = nullptr;
    QAction *copyResultsAction = nullptr;

    // The card history: its menu actions and the recording of every test.
    HistoryActions *history = nullptr;

    // The log as the window shows it (View menu, panel, status bar).
    LogPanel *logPanel = nullptr;

    // Language menu.
    QAction *langSimplifiedAction = nullptr;
    QAction *langTraditionalAction = nullptr;
    QAction *langEnglishAction = nullptr;
    QAction *languageMenuAction = nullptr;
    QActionGroup *languageGroup = nullptr;
    // Alt+L for a menu title without a Latin letter to mark ("语言").
    QAction *languageKeyAction = nullptr;

    // Drive services, the format service (made on first use) and the user prompts.
    std::unique_ptr<platform::DriveService> driveService = platform::makeDriveService();
    std::unique_ptr<FormatService> formatService;
    PromptHandler promptHandler = showUserPrompt;

    // The test that the checks let through, kept while the card is formatted; the drive being
    // formatted, empty when no format is awaited; what the write progress label showed before.
    TestPlan pendingPlan;
    QString formatDrive;
    QString labelBeforeFormat;
    bool leftoverOfferQueued = false;
    QString leftoversKept;  // the drive whose leftovers the user chose to keep

    // The running or last test: its rounds, samples and engine. Kept until the next test
    // so that changed rules can judge it again.
    RoundRunner runner;
    CardInfo testedCard;
    QDateTime testStarted;
    // The last judgement of that test (no rows before its first) and the data check it
    // read, kept so that a language switch shows the same verdicts in other words.
    RunResults judged;
    DataCheck judgedCheck;
    double lastWriteSpeed = 0.0;
    double lastReadSpeed = 0.0;

    VerdictRules rules;
};
