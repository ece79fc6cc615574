#include "mainwindow.h"

#include "dashcamprofilepicker.h"
#include "dashcamresultview.h"
#include "logpanel.h"
#include "settingsscrollarea.h"
#include "speedchartwidget.h"
#include "stressbanner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <iterator>

namespace {

struct SizeItem {
    const char *text;
    qint64 bytes;
};

// The size texts are the same in every language.
constexpr SizeItem testSizes[] = {
    {"512 MB", 536870912LL},  {"1 GB", 1073741824LL},   {"2 GB", 2147483648LL},
    {"3 GB", 3221225472LL},   {"5 GB", 5368709120LL},   {"10 GB", 10737418240LL},
    {"15 GB", 16106127360LL}, {"20 GB", 21474836480LL}, {"25 GB", 26843545600LL},
    {"30 GB", 32212254720LL},
};
constexpr int defaultTestSizeIndex = 2;

constexpr SizeItem blockSizes[] = {
    {"64 KB", 65536LL},  {"128 KB", 131072LL}, {"256 KB", 262144LL}, {"512 KB", 524288LL},
    {"1 MB", 1048576LL}, {"4 MB", 4194304LL},  {"8 MB", 8388608LL},
};
constexpr int defaultBlockIndex = 4;

void fillSizes(QComboBox *combo, const SizeItem *begin, const SizeItem *end, int current)
{
    for (const SizeItem *s = begin; s != end; ++s)
        combo->addItem(QString::fromLatin1(s->text), QVariant::fromValue<qint64>(s->bytes));
    combo->setCurrentIndex(current);
}

// Members are named so that tests and style sheets can find them.
template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QDoubleSpinBox *hiddenSpeedHolder(QWidget *parent, const char *name, double value)
{
    auto *spin = named(new QDoubleSpinBox(parent), name);
    spin->setRange(0.0, 2000.0);
    spin->setDecimals(2);
    spin->setValue(value);
    spin->hide();
    return spin;
}

}  // namespace

void MainWindow::setupUi()
{
    setupFileMenu();
    logPanel = new LogPanel(this);
    connect(logPanel, &LogPanel::saveRequested, this, &MainWindow::saveLog);
    setupLanguageMenu();

    auto *central = named(new QWidget(this), "centralWidget");
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    setCentralWidget(central);

    layout->addWidget(new SettingsScrollArea(createSettingsGroup(), central), 0);
    createButtonRow();
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(verdictRulesButton, 0);
    buttonRow->addWidget(stressBanner = new StressBanner(this), 0);
    buttonRow->addWidget(startButton, 1);
    buttonRow->addWidget(stopButton, 1);
    layout->addLayout(buttonRow, 0);

    createProgressGroups();
    auto *progressRow = new QHBoxLayout;
    progressRow->setSpacing(6);
    progressRow->addWidget(writeGroup, 1);
    progressRow->addWidget(readGroup, 1);
    layout->addLayout(progressRow, 0);

    createChartGroup();
    layout->addWidget(chartGroup, 1);
    createResultsGroup();
    layout->addWidget(resultsGroup, 0);

    // Not in any layout: they only hold the per-stream minimums of the verdict rules.
    perStreamWriteSpin = hiddenSpeedHolder(this, "perStreamWriteSpin", rules.perStreamWrite);
    perStreamReadSpin = hiddenSpeedHolder(this, "perStreamReadSpin", rules.perStreamRead);

    connectControls();
    retranslateUi();
    onTestModeChanged();
    updateExportActions();
    fitToScreen(availableScreenArea());
}

QGroupBox *MainWindow::createSettingsGroup()
{
    settingsGroup = named(new QGroupBox(this), "settingsGroup");
    auto *grid = new QGridLayout(settingsGroup);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(1, 1);

    driveLabel = named(makeRowLabel(settingsGroup), "driveLabel");
    driveCombo = named(new QComboBox(settingsGroup), "driveCombo");
    driveCombo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    refreshButton = named(new QPushButton(settingsGroup), "refreshButton");
    refreshButton->setMinimumWidth(80);
    grid->addWidget(driveLabel, 0, 0);
    grid->addWidget(driveCombo, 0, 1);
    grid->addWidget(refreshButton, 0, 2);

    // One parent for both radio buttons makes them exclusive.
    modeLabel = named(makeRowLabel(settingsGroup), "modeLabel");
    randomModeRadio = named(new QRadioButton(settingsGroup), "randomModeRadio");
    randomModeRadio->setChecked(true);
    externalFileRadio = named(new QRadioButton(settingsGroup), "externalFileRadio");
    auto *modeRow = new QHBoxLayout;
    modeRow->setSpacing(8);
    modeRow->addWidget(randomModeRadio);
    modeRow->addWidget(externalFileRadio);
    modeRow->addStretch();
    grid->addWidget(modeLabel, 1, 0);
    grid->addLayout(modeRow, 1, 1, 1, 2);

    sizeLabel = named(makeRowLabel(settingsGroup), "sizeLabel");
    sizeRow = named(new QWidget(settingsGroup), "sizeRow");
    testSizeCombo = named(new QComboBox(sizeRow), "testSizeCombo");
    testSizeCombo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fillSizes(testSizeCombo, std::begin(testSizes), std::end(testSizes), defaultTestSizeIndex);
    streamsLabel = named(new QLabel(sizeRow), "streamsLabel");
    streamCountSpin = named(new QSpinBox(sizeRow), "streamCountSpin");
    streamCountSpin->setRange(1, 16);
    streamCountSpin->setValue(2);
    streamCountSpin->setFixedWidth(64);
    totalSizeLabel = named(new QLabel(sizeRow), "totalSizeLabel");
    totalSizeLabel->setStyleSheet(QStringLiteral("color:#666;"));
    auto *sizeLayout = new QHBoxLayout(sizeRow);
    sizeLayout->setContentsMargins(0, 0, 0, 0);
    sizeLayout->setSpacing(8);
    sizeLayout->addWidget(testSizeCombo, 1);
    sizeLayout->addWidget(streamsLabel);
    sizeLayout->addWidget(streamCountSpin);
    sizeLayout->addWidget(totalSizeLabel);
    dashcamPicker = new DashcamProfilePicker(sizeRow);
    sizeLayout->addSpacing(16);
    sizeLayout->addWidget(dashcamPicker);
    sizeLayout->addStretch();
    grid->addWidget(sizeLabel, 2, 0);
    grid->addWidget(sizeRow, 2, 1, 1, 2);

    filesLabel = named(makeRowLabel(settingsGroup), "filesLabel");
    filesLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    fileListBox = named(new QWidget(settingsGroup), "fileListBox");
    fileList = named(new QListWidget(fileListBox), "fileList");
    fileList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fileList->setFixedHeight(86);
    fileList->setCursor(Qt::PointingHandCursor);
    fileList->viewport()->setCursor(Qt::PointingHandCursor);
    fileList->setSelectionMode(QAbstractItemView::NoSelection);
    fileList->setFocusPolicy(Qt::NoFocus);
    fileList->installEventFilter(this);
    fileList->viewport()->installEventFilter(this);
    fileSummaryLabel = named(new QLabel(fileListBox), "fileSummaryLabel");
    fileSummaryLabel->setStyleSheet(QStringLiteral("color:#888;"));
    fileSummaryLabel->setFixedHeight(18);
    auto *fileListLayout = new QVBoxLayout(fileListBox);
    fileListLayout->setContentsMargins(0, 0, 0, 0);
    fileListLayout->setSpacing(4);
    fileListLayout->addWidget(fileList);
    fileListLayout->addWidget(fileSummaryLabel);
    fileButtonsBox = named(new QWidget(settingsGroup), "fileButtonsBox");
    browseButton = named(new QPushButton(fileButtonsBox), "browseButton");
    browseButton->setMinimumWidth(80);
    clearFilesButton = named(new QPushButton(fileButtonsBox), "clearFilesButton");
    clearFilesButton->setMinimumWidth(80);
    auto *fileButtonsLayout = new QVBoxLayout(fileButtonsBox);
    fileButtonsLayout->setContentsMargins(0, 0, 0, 0);
    fileButtonsLayout->setSpacing(4);
    fileButtonsLayout->addWidget(browseButton);
    fileButtonsLayout->addWidget(clearFilesButton);
    fileButtonsLayout->addStretch();
    grid->addWidget(filesLabel, 3, 0);
    grid->addWidget(fileListBox, 3, 1);
    grid->addWidget(fileButtonsBox, 3, 2);

    blockLabel = named(makeRowLabel(settingsGroup), "blockLabel");
    blockSizeCombo = named(new QComboBox(settingsGroup), "blockSizeCombo");
    blockSizeCombo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fillSizes(blockSizeCombo, std::begin(blockSizes), std::end(blockSizes), defaultBlockIndex);
    grid->addWidget(blockLabel, 4, 0);
    grid->addWidget(blockSizeCombo, 4, 1, 1, 2);

    readRowLabel = named(makeRowLabel(settingsGroup), "readRowLabel");
    readTestCheck = named(new QCheckBox(settingsGroup), "readTestCheck");
    readTestCheck->setChecked(rules.enableRead);
    grid->addWidget(readRowLabel, 5, 0);
    grid->addWidget(readTestCheck, 5, 1, 1, 2);

    verifyDataCheck = named(new QCheckBox(settingsGroup), "verifyDataCheck");
    grid->addWidget(verifyDataCheck, 6, 1, 1, 2);
    return settingsGroup;
}

void MainWindow::createButtonRow()
{
    verdictRulesButton = named(new QPushButton(this), "verdictRulesButton");
    verdictRulesButton->setMinimumHeight(32);
    verdictRulesButton->setMinimumWidth(140);
    startButton = named(new QPushButton(this), "startButton");
    startButton->setMinimumHeight(32);
    stopButton = named(new QPushButton(this), "stopButton");
    stopButton->setMinimumHeight(32);
    stopButton->setEnabled(false);
}

void MainWindow::createProgressGroups()
{
    const auto makeGroup = [this](const char *name, QProgressBar *&bar, const char *barName,
                                  QLabel *&label, const char *labelName) {
        auto *group = named(new QGroupBox(this), name);
        bar = named(new QProgressBar(group), barName);
        label = named(new QLabel(group), labelName);
        auto *box = new QVBoxLayout(group);
        box->setContentsMargins(8, 8, 8, 6);
        box->setSpacing(4);
        box->addWidget(bar);
        box->addWidget(label);
        return group;
    };
    writeGroup = makeGroup("writeGroup", writeProgressBar, "writeProgressBar", writeSpeedLabel,
                           "writeSpeedLabel");
    readGroup = makeGroup("readGroup", readProgressBar, "readProgressBar", readSpeedLabel,
                          "readSpeedLabel");
    readGroup->setVisible(rules.enableRead);
}

void MainWindow::createChartGroup()
{
    chartGroup = named(new QGroupBox(this), "chartGroup");
    speedChart = named(new SpeedChartWidget(chartGroup), "speedChart");
    speedChart->setReadVisible(rules.enableRead);
    auto *box = new QVBoxLayout(chartGroup);
    box->setContentsMargins(4, 6, 4, 6);
    box->addWidget(speedChart);
}

void MainWindow::createResultsGroup()
{
    resultsGroup = named(new QGroupBox(this), "resultsGroup");
    resultsTable = named(new QTableWidget(resultsGroup), "resultsTable");
    setupResultsTable();
    resultSummaryLabel = named(new QLabel(resultsGroup), "resultSummaryLabel");
    resultSummaryLabel->setWordWrap(true);
    resultSummaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resultSummaryLabel->hide();  // until a test is judged
    auto *box = new QVBoxLayout(resultsGroup);
    box->setContentsMargins(4, 4, 4, 4);
    box->addWidget(resultsTable);
    // The dashcam's view beside the verdict line, not under it: the height is short.
    dashcamView = new DashcamResultView(resultsGroup);
    auto *summaryRow = new QHBoxLayout;
    summaryRow->addWidget(resultSummaryLabel, 1);
    summaryRow->addWidget(dashcamView, 1);
    box->addLayout(summaryRow);
}

void MainWindow::connectControls()
{
    connect(verdictRulesButton, &QPushButton::clicked, this, &MainWindow::openVerdictSettings);
    connect(refreshButton, &QPushButton::clicked, this, &MainWindow::refreshDrives);
    connect(browseButton, &QPushButton::clicked, this, &MainWindow::browseSourceFiles);
    connect(clearFilesButton, &QPushButton::clicked, this, &MainWindow::clearSourceFiles);
    connect(startButton, &QPushButton::clicked, this, &MainWindow::startTest);
    connect(stopButton, &QPushButton::clicked, this, &MainWindow::stopTest);
    // Checking the other radio button unchecks this one, so one connection sees both.
    connect(randomModeRadio, &QRadioButton::toggled, this, &MainWindow::onTestModeChanged);
    connect(readTestCheck, &QCheckBox::toggled, this, &MainWindow::onReadTestToggled);
    connect(randomModeRadio, &QRadioButton::toggled, this, [this] { saveTestSettings(); });
    connect(verifyDataCheck, &QCheckBox::toggled, this, &MainWindow::saveVerifySetting);
    connect(testSizeCombo, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        updateTotalSize();
        saveTestSettings();
    });
    connect(streamCountSpin, qOverload<int>(&QSpinBox::valueChanged), this, [this] {
        updateTotalSize();
        saveTestSettings();
    });
    connect(dashcamPicker, &DashcamProfilePicker::profileChosen, this,
            &MainWindow::onDashcamProfileChosen);
    connect(blockSizeCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { saveTestSettings(); });
    connect(driveCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { onDriveChanged(); });
}
