#include "mainwindow.h"
#include "windowtestkit.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// Every text of the window by its key, and how the texts follow a language switch.
class TestWindowTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void titleIsFixed();
    void textsFollowLanguage_data();
    void textsFollowLanguage();
    void languageMenu();
    void menuSwitchesAndStores();
    void headerTexts();
    void speedLabelsFollowTheirBars();

private:
    template <typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

    QTemporaryDir settingsDir;
    MainWindow *window = nullptr;
};

void TestWindowTexts::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY2(startWindowEnvironment(settingsDir.path(), SimplifiedChinese),
             "settings are not redirected");
}

void TestWindowTexts::init()
{
    switchLanguage(SimplifiedChinese);
    window = new MainWindow;
}

void TestWindowTexts::cleanup()
{
    delete window;
    window = nullptr;
}

void TestWindowTexts::titleIsFixed()
{
    const QString title = QStringLiteral("Memory Card Test for True 4K dashcams  v1.0.1");
    QCOMPARE(window->windowTitle(), title);
    switchLanguage(TraditionalChinese);
    QCOMPARE(window->windowTitle(), title);
}

void TestWindowTexts::textsFollowLanguage_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("english");

    const auto row = [](const char *object, const char *key, const char *english) {
        QTest::newRow(object) << QString::fromLatin1(object) << QString::fromLatin1(key)
                              << QString::fromUtf8(english);
    };
    row("settingsGroup", "GroupTestSettings", "Test Settings");
    row("writeGroup", "GroupWriteTest", "Write Test");
    row("readGroup", "GroupReadTest", "Read Test");
    row("chartGroup", "GroupSpeedCurve", "Real-time Speed Curve");
    row("resultsGroup", "GroupResults", "Test Results");
    row("driveLabel", "LabelDrive", "Target drive:");
    row("modeLabel", "LabelMode", "Test mode:");
    row("sizeLabel", "LabelSize", "Test size:");
    row("streamsLabel", "LabelStreams", "Streams:");
    row("filesLabel", "LabelFiles", "External files:");
    row("blockLabel", "LabelBlock", "Block size:");
    row("readRowLabel", "LabelReadSpeed", "Read speed:");
    row("refreshButton", "BtnRefresh", "Refresh");
    row("randomModeRadio", "RadioRandom", "Random data");
    row("externalFileRadio", "RadioExternalFile", "External file");
    row("fileList", "HintAddFiles", "Click to add files");
    row("browseButton", "BtnBrowse", "Browse...");
    row("clearFilesButton", "BtnClearFiles", "Clear");
    row("readTestCheck", "CheckReadTest",
        "Run read test (when off, only write runs; read UI and columns are hidden)");
    row("verdictRulesButton", "BtnVerdictRules", "Verdict rules...");
    row("startButton", "BtnStart", "Start test");
    row("stopButton", "BtnStop", "Stop");
    row("fileSummaryLabel", "HintNoFileSelected", "No files selected");
    row("totalSizeLabel", "TotalSizeGB", "Total: 4.0 GB");
}

void TestWindowTexts::textsFollowLanguage()
{
    QFETCH(QString, object);
    QFETCH(QString, key);
    QFETCH(QString, english);

    auto *widget = window->findChild<QWidget *>(object);
    QVERIFY2(widget, qPrintable(object));
    const auto shown = [widget] {
        if (auto *group = qobject_cast<QGroupBox *>(widget))
            return group->title();
        if (auto *label = qobject_cast<QLabel *>(widget))
            return label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            return button->text();
        return widget->toolTip();
    };

    // The total label is filled in with its number; the others are the table texts.
    const QString simplified = tableText(SimplifiedChinese, key.toLatin1().constData());
    QVERIFY(!simplified.isEmpty());
    if (key == QLatin1String("TotalSizeGB"))
        QCOMPARE(shown(), simplified.arg(QStringLiteral("4.0")));
    else
        QCOMPARE(shown(), simplified);

    switchLanguage(English);
    QCOMPARE(shown(), english);
}

void TestWindowTexts::languageMenu()
{
    auto *menu = child<QMenu>("languageMenu");
    QVERIFY(menu);
    QCOMPARE(menu->menuAction()->text(), QStringLiteral("语言"));
    auto *simplified = child<QAction>("langSimplifiedAction");
    auto *traditional = child<QAction>("langTraditionalAction");
    auto *english = child<QAction>("langEnglishAction");
    QVERIFY(simplified && traditional && english);
    QCOMPARE(menu->actions(), (QList<QAction *>{simplified, traditional, english}));
    for (QAction *action : menu->actions()) {
        QVERIFY(action->isCheckable());
        QVERIFY(action->actionGroup() && action->actionGroup()->isExclusive());
    }
    QVERIFY(simplified->isChecked());

    switchLanguage(English);
    QCOMPARE(menu->menuAction()->text(), QStringLiteral("Language"));
    switchLanguage(TraditionalChinese);
    QCOMPARE(menu->menuAction()->text(), QStringLiteral("語言"));
    // The language names never change with the language.
    QCOMPARE(simplified->text(), QStringLiteral("简体中文"));
    QCOMPARE(traditional->text(), QStringLiteral("繁體中文"));
    QCOMPARE(english->text(), QStringLiteral("English"));
}

void TestWindowTexts::menuSwitchesAndStores()
{
    auto *english = child<QAction>("langEnglishAction");
    auto *simplified = child<QAction>("langSimplifiedAction");
    QSignalSpy changed(I18n::instance(), &I18n::languageChanged);

    english->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(I18n::instance()->language(), English);
    QCOMPARE(QSettings().value(QStringLiteral("ui/language")).toInt(), int(English));
    QCOMPARE(changed.count(), 1);
    QVERIFY(english->isChecked());
    QVERIFY(!simplified->isChecked());
    QCOMPARE(child<QPushButton>("startButton")->text(), QStringLiteral("Start test"));

    // The current language again: nothing happens.
    english->trigger();
    QCOMPARE(changed.count(), 1);

    // A window built now starts with the mark on the current language.
    MainWindow second;
    QVERIFY(second.findChild<QAction *>(QStringLiteral("langEnglishAction"))->isChecked());
}

void TestWindowTexts::headerTexts()
{
    auto *table = child<QTableWidget>("resultsTable");
    QVERIFY(table);
    switchLanguage(English);
    const QStringList expected = {
        QStringLiteral("File"),
        QString(),
        QString(),
        QString(),
        QStringLiteral("Write Avg"),
        QStringLiteral("Write Max"),
        QStringLiteral("Write Min"),
        QStringLiteral("Write Jitter"),
        QStringLiteral("Write CV"),
        QStringLiteral("Write Drop"),
        QStringLiteral("Read Avg"),
        QStringLiteral("Read Max"),
        QStringLiteral("Read Min"),
        QStringLiteral("Read Jitter"),
        QStringLiteral("Read CV"),
        QStringLiteral("Read Drop"),
        QStringLiteral("Verdict"),
        QString(),
    };
    QCOMPARE(table->columnCount(), expected.size());
    for (int column = 0; column < expected.size(); ++column)
        QCOMPARE(table->horizontalHeaderItem(column)->text(), expected[column]);
}

void TestWindowTexts::speedLabelsFollowTheirBars()
{
    auto *writeBar = child<QProgressBar>("writeProgressBar");
    auto *readBar = child<QProgressBar>("readProgressBar");
    auto *writeLabel = child<QLabel>("writeSpeedLabel");
    auto *readLabel = child<QLabel>("readSpeedLabel");
    QVERIFY(writeBar && readBar && writeLabel && readLabel);

    // Before any test the bars are reset and the labels stay empty.
    switchLanguage(English);
    QCOMPARE(writeLabel->text(), QString());
    QCOMPARE(readLabel->text(), QString());

    // A bar at 0 gets the initial text at once; a label whose bar shows progress keeps its
    // live text until the next report.
    writeBar->setValue(0);
    readBar->setValue(40);
    readLabel->setText(QStringLiteral("live"));
    switchLanguage(SimplifiedChinese);
    QCOMPARE(writeLabel->text(), tableText(SimplifiedChinese, "ProgressInitial"));
    QCOMPARE(readLabel->text(), QStringLiteral("live"));
    switchLanguage(English);
    QCOMPARE(writeLabel->text(), QStringLiteral("Current: -- MB/s  |  Avg: -- MB/s"));
}

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
