#include "verdictrulesstore.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMouseEvent>

// The window's own controls: every text by its key and how the texts follow a language
// switch, the language menu, the total size, the test mode, the read-test switch and the
// click on the file list.
class TestWindowControls : public WindowTestCase
{
    Q_OBJECT

private slots:
    void textsFollowLanguage_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("english");

        const auto row = [](const char *object, const char *key, const char *english) {
            QTest::newRow(object) << object << key << english;
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
        row("fileList", "HintAddFiles", "Click to add files");  // its tooltip
        row("browseButton", "BtnBrowse", "Browse...");
        row("clearFilesButton", "BtnClearFiles", "Clear");
        row("readTestCheck", "CheckReadTest",
            "Run read test (when off, only write runs; read UI and columns are hidden)");
        row("verdictRulesButton", "BtnVerdictRules", "Verdict rules...");
        row("startButton", "BtnStart", "Start test");
        row("stopButton", "BtnStop", "Stop");
        row("fileSummaryLabel", "HintNoFileSelected", "No files selected");
        // Filled in with the default 2 x 2 GB.
        row("totalSizeLabel", "TotalSizeGB", "Total: 4.0 GB");
    }

    void textsFollowLanguage()
    {
        QFETCH(QString, object);
        QFETCH(QString, key);
        QFETCH(QString, english);

        auto *widget = f.window->findChild<QWidget *>(object);
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
        QCOMPARE(shown(), english);

        switchLanguage(SimplifiedChinese);
        const QString simplified = tableText(SimplifiedChinese, key.toLatin1().constData());
        QVERIFY(!simplified.isEmpty());
        QCOMPARE(shown(), key == QLatin1String("TotalSizeGB") ? simplified.arg("4.0") : simplified);
    }

    void headerTexts()
    {
        // The empty headers lie under the spans of the label and the verdict cells.
        const QStringList expected =
            QStringLiteral("File,,,,Write Avg,Write Max,Write Min,Write Jitter,Write CV,Write Drop,"
                           "Read Avg,Read Max,Read Min,Read Jitter,Read CV,Read Drop,Verdict,")
                .split(QLatin1Char(','));
        auto *table = f.child<QTableWidget>("resultsTable");
        QCOMPARE(table->columnCount(), expected.size());
        for (int column = 0; column < expected.size(); ++column)
            QCOMPARE(table->horizontalHeaderItem(column)->text(), expected[column]);
        switchLanguage(SimplifiedChinese);
        QCOMPARE(table->horizontalHeaderItem(4)->text(),
                 tableText(SimplifiedChinese, "ColWriteAvg"));
    }

    void speedLabelsFollowTheirBars()
    {
        auto *writeBar = f.child<QProgressBar>("writeProgressBar");
        auto *readBar = f.child<QProgressBar>("readProgressBar");
        auto *writeLabel = f.child<QLabel>("writeSpeedLabel");
        auto *readLabel = f.child<QLabel>("readSpeedLabel");

        // Before any test the bars are reset and the labels stay empty.
        QCOMPARE(writeLabel->text(), QString());
        QCOMPARE(readLabel->text(), QString());

        // A bar at 0 gets the initial text on a switch; a label whose bar shows progress keeps
        // its live text until the next report.
        writeBar->setValue(0);
        readBar->setValue(40);
        readLabel->setText(QStringLiteral("live"));
        switchLanguage(SimplifiedChinese);
        QCOMPARE(writeLabel->text(), tableText(SimplifiedChinese, "ProgressInitial"));
        QCOMPARE(readLabel->text(), QStringLiteral("live"));
        switchLanguage(English);
        QCOMPARE(writeLabel->text(), QStringLiteral("Current: -- MB/s  |  Avg: -- MB/s"));
    }

    void languageMenu()
    {
        switchLanguage(SimplifiedChinese);
        f.open();
        auto *menu = f.child<QMenu>("languageMenu");
        auto *simplified = f.child<QAction>("langSimplifiedAction");
        auto *traditional = f.child<QAction>("langTraditionalAction");
        auto *english = f.child<QAction>("langEnglishAction");
        QVERIFY(menu && simplified && traditional && english);
        QCOMPARE(menu->actions(), (QList<QAction *>{simplified, traditional, english}));
        for (QAction *action : menu->actions())
            QVERIFY(action->isCheckable() && action->actionGroup()->isExclusive());
        QCOMPARE(menu->menuAction()->text(), QStringLiteral("语言"));
        QVERIFY(simplified->isChecked());

        // Choosing a language installs it, stores it and moves the mark; the current one again
        // does nothing.
        QSignalSpy changed(I18n::instance(), &I18n::languageChanged);
        english->trigger();
        english->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(I18n::instance()->language(), English);
        QCOMPARE(QSettings().value(QStringLiteral("ui/language")).toInt(), int(English));
        QVERIFY(english->isChecked() && !simplified->isChecked());
        QCOMPARE(menu->menuAction()->text(), QStringLiteral("Language"));
        QCOMPARE(f.child<QPushButton>("startButton")->text(), QStringLiteral("Start test"));
        // A window built now starts with the mark on the current language.
        MainWindow second;
        QVERIFY(second.findChild<QAction *>(QStringLiteral("langEnglishAction"))->isChecked());

        // The title and the language names are the same in every language.
        switchLanguage(TraditionalChinese);
        QCOMPARE(menu->menuAction()->text(), QStringLiteral("語言"));
        QCOMPARE(f.window->windowTitle(),
                 QStringLiteral("Memory Card Test for True 4K dashcams  v1.0.1"));
        QCOMPARE(simplified->text(), QStringLiteral("简体中文"));
        QCOMPARE(traditional->text(), QStringLiteral("繁體中文"));
        QCOMPARE(english->text(), QStringLiteral("English"));
    }

    void totalSize_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("streams");
        QTest::addColumn<QString>("expected");

        QTest::newRow("below a gigabyte in MB") << "512 MB" << 1 << "Total: 512 MB";
        QTest::newRow("a gigabyte in GB") << "512 MB" << 2 << "Total: 1.0 GB";
        QTest::newRow("one decimal") << "512 MB" << 3 << "Total: 1.5 GB";
        QTest::newRow("beyond 32 bits") << "30 GB" << 16 << "Total: 480.0 GB";
    }

    void totalSize()
    {
        QFETCH(QString, size);
        QFETCH(int, streams);
        QFETCH(QString, expected);

        f.child<QComboBox>("testSizeCombo")->setCurrentText(size);
        QCOMPARE(f.child<QComboBox>("testSizeCombo")->currentText(), size);
        f.child<QSpinBox>("streamCountSpin")->setValue(streams);
        QCOMPARE(f.child<QLabel>("totalSizeLabel")->text(), expected);
    }

    void testModeSwitch()
    {
        const auto visibleRows = [this] {
            QStringList visible;
            for (const char *name :
                 {"sizeLabel", "sizeRow", "filesLabel", "fileListBox", "fileButtonsBox"}) {
                if (f.child<QWidget>(name)->isVisible())
                    visible << QLatin1String(name);
            }
            return visible;
        };
        const QStringList randomRows{"sizeLabel", "sizeRow"};
        const QStringList fileRows{"filesLabel", "fileListBox", "fileButtonsBox"};

        QVERIFY(f.child<QRadioButton>("randomModeRadio")->isChecked());
        QCOMPARE(visibleRows(), randomRows);
        f.child<QRadioButton>("externalFileRadio")->click();
        QVERIFY(!f.child<QRadioButton>("randomModeRadio")->isChecked());
        QCOMPARE(visibleRows(), fileRows);
        // The hidden size row keeps its values.
        QCOMPARE(f.child<QLabel>("totalSizeLabel")->text(), QStringLiteral("Total: 4.0 GB"));
        f.child<QRadioButton>("randomModeRadio")->click();
        QCOMPARE(visibleRows(), randomRows);
    }

    void readSwitchShowsAndStores()
    {
        auto *check = f.child<QCheckBox>("readTestCheck");
        auto *readGroup = f.child<QGroupBox>("readGroup");
        const QList<int> readColumns = {10, 11, 12, 13, 14, 15};
        const QString group = VerdictRulesStore::groupName();
        QVERIFY(!check->isChecked());
        QVERIFY(!readGroup->isVisible());
        QCOMPARE(f.hiddenColumns(), readColumns);

        // The whole group is written at once, unchanged thresholds included.
        check->click();
        QVERIFY(f.window->verdictRules().enableRead);
        QVERIFY(readGroup->isVisible());
        QCOMPARE(f.hiddenColumns(), QList<int>());
        const QVariantMap stored = WindowFixture::storedGroup(group);
        QCOMPARE(stored.size(), VerdictRulesStore::keys().size());
        QCOMPARE(stored.value("enableRead").toBool(), true);
        QCOMPARE(stored.value("jitterWarn").toDouble(), 0.45);
        QCOMPARE(stored.value("perStreamWrite").toDouble(), 5.0);

        check->click();
        QVERIFY(!f.window->verdictRules().enableRead);
        QVERIFY(!readGroup->isVisible());
        QCOMPARE(f.hiddenColumns(), readColumns);
        QCOMPARE(WindowFixture::storedGroup(group).value("enableRead").toBool(), false);
    }

    void fileListClick_data()
    {
        QTest::addColumn<bool>("onViewport");
        QTest::addColumn<int>("eventType");
        QTest::addColumn<bool>("listEnabled");
        QTest::addColumn<bool>("opensPicker");

        const int press = QEvent::MouseButtonPress;
        QTest::newRow("press on the empty area") << true << press << true << true;
        QTest::newRow("press on the list frame") << false << press << true << true;
        QTest::newRow("press while a test runs") << true << press << false << false;
        QTest::newRow("release") << true << int(QEvent::MouseButtonRelease) << true << false;
        QTest::newRow("double click") << true << int(QEvent::MouseButtonDblClick) << true << false;
    }

    void fileListClick()
    {
        QFETCH(bool, onViewport);
        QFETCH(int, eventType);
        QFETCH(bool, listEnabled);
        QFETCH(bool, opensPicker);

        f.child<QRadioButton>("externalFileRadio")->click();
        auto *list = f.child<QListWidget>("fileList");
        list->setEnabled(listEnabled);
        QObject *target = onViewport ? static_cast<QObject *>(list->viewport()) : list;

        // Any button presses; the press is consumed exactly when it opens the picker.
        QMouseEvent event(QEvent::Type(eventType), QPointF(10, 10), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QCOMPARE(static_cast<QObject *>(f.window.get())->eventFilter(target, &event), opensPicker);
        QCOMPARE(f.pickerCalls.size(), opensPicker ? 1 : 0);
    }
};

QTEST_MAIN(TestWindowControls)
#include "tst_windowcontrols.moc"
