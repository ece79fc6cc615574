#include "historydialog.h"
#include "logpanel.h"
#include "resultcolumns.h"
#include "screenfit.h"
#include "verdictrulesdialog.h"
#include "verdictrulesstore.h"
#include "windowfixture.h"
#include <QClipboard>

namespace {
const QString passText = QStringLiteral("✓ Pass");
const QString warnText = QStringLiteral("⚠ Warn");
const QString failText = QStringLiteral("✗ Fail");
const QString red = QStringLiteral("#d32f2f");
const QString orange = QStringLiteral("#e67e22");

QByteArray storeBytes()
{
    QFile file(QSettings().fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

// Everything of the window that ends before an engine starts (the runs are in tst_windowrun):
// the stored test settings, the results table as a run's reports fill it and the rules dialog
// judges it again, the FAT32 limit a small card puts on the test size, the offer to format
// the card first, and the real prompt handler.
class TestWindowControls : public WindowTestCase
{
    Q_OBJECT

private slots:
    void storedTestSettings_data()
    {
        QTest::addColumn<QVariantList>("stored");  // mode, size index, streams, block index
        QTest::addColumn<bool>("external");
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("total");
        // Out of a control's range leaves its default (2 GB, 2 streams, 1 MB), not wrapped.
        QTest::newRow("all valid") << QVariantList{1, 9, 16, 0} << true << "64 KB"
                                   << "Total: 480.0 GB";
        QTest::newRow("lower limits") << QVariantList{0, 0, 1, 0} << false << "64 KB"
                                      << "Total: 512 MB";
        QTest::newRow("one beyond") << QVariantList{2, 10, 17, 7} << false << "1 MB"
                                    << "Total: 4.0 GB";
        QTest::newRow("huge") << QVariantList{"1e99", "4294967296", "99999999999", 2147483647}
                              << false << "1 MB"
                              << "Total: 4.0 GB";
    }

    // A new window takes them from the store without writing anything back; whichever
    // control changes then, all of them are stored, the verify box too.
    void storedTestSettings()
    {
        QFETCH(QVariantList, stored);
        QFETCH(bool, external);
        const char *keys[] = {"testMode", "testSizeIndex", "streamCount", "blockIndex"};
        QSettings settings;
        for (int i = 0; i < 4; ++i)
            settings.setValue(QStringLiteral("testSettings/") + keys[i], stored[i]);
        settings.sync();
        const QByteArray before = storeBytes();
        f.open();
        QCOMPARE(storeBytes(), before);
        QCOMPARE(f.child<QRadioButton>("externalFileRadio")->isChecked(), external);
        QCOMPARE(f.child<QListWidget>("fileList")->isVisible(), external);
        QTEST(f.child<QComboBox>("blockSizeCombo")->currentText(), "block");
        QTEST(f.child<QLabel>("totalSizeLabel")->text(), "total");
        // No card on this machine: the list says so.
        QVERIFY(f.child<QComboBox>("driveCombo")->currentText().startsWith("⚠ No removable drive"));

        f.child<QCheckBox>("verifyDataCheck")->click();
        f.child<QComboBox>("blockSizeCombo")->setCurrentIndex(1);
        QCOMPARE(QSettings().value("testSettings/streamCount").toInt(),
                 f.child<QSpinBox>("streamCountSpin")->value());
        QCOMPARE(QSettings().value("testSettings/blockIndex").toInt(), 1);
        QCOMPARE(QSettings().value("testSettings/testSizeIndex").toInt(),
                 f.child<QComboBox>("testSizeCombo")->currentIndex());
        f.open();
        QVERIFY(f.child<QCheckBox>("verifyDataCheck")->isChecked());
    }

    void keys_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("target");  // a menu it opens, a button it clicks, an action
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("clicks");
        const Language langs[] = {SimplifiedChinese, English, TraditionalChinese};
        for (Language lang : langs) {
            const QByteArray code = I18n::codeOf(lang).toLatin1();
            QTest::newRow("File menu " + code)
                << int(lang) << "fileMenu" << QKeySequence("Alt+F") << false << 0;
            QTest::newRow("Language menu " + code)
                << int(lang) << "languageMenu" << QKeySequence("Alt+L") << false << 0;
        }
        const auto row = [](const char *tag, const char *target, const char *key, bool running,
                            int clicks) {
            QTest::newRow(tag) << int(English) << target << QKeySequence(key) << running << clicks;
        };
        row("Save report", "saveReportAction", "Ctrl+S", false, 0);
        row("Save image", "saveImageAction", "Ctrl+Shift+S", false, 0);
        row("Copy results", "copyResultsAction", "Ctrl+Shift+C", false, 0);
        row("Refresh", "refreshButton", "F5", false, 1);
        row("Start", "startButton", "Ctrl+Return", false, 1);
        row("Stop while running", "stopButton", "Esc", true, 1);
        row("Stop while idle", "stopButton", "Esc", false, 0);
    }

    // The keys reach what they name in every language, after a switch too: a title's marked
    // letter (shown without its '&') or, for a title without one, the window's own Alt+L.
    void keys()
    {
        QFETCH(int, lang);
        QFETCH(QString, target);
        QFETCH(QKeySequence, key);
        switchLanguage(Language(lang));
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QObject *object = f.window->findChild<QObject *>(target);
        QVERIFY(object);
        if (auto *action = qobject_cast<QAction *>(object)) {
            QCOMPARE(action->shortcut(), key);
            return;
        }
        if (auto *menu = qobject_cast<QMenu *>(object)) {
            QTest::keySequence(f.window.get(), key);
            QTRY_VERIFY(menu->isVisible());
            menu->close();
            return;
        }
        auto *button = qobject_cast<QPushButton *>(object);
        QFETCH(bool, running);
        button->setEnabled(running || target != "stopButton");
        // A shortcut presses the button at once and releases it a moment later.
        QSignalSpy pressed(button, &QPushButton::pressed);
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::keySequence(f.window.get(), key);
        QFETCH(int, clicks);
        QCOMPARE(pressed.count(), clicks);
        QTRY_COMPARE(clicked.count(), clicks);
    }

    // With a read pass to come, the end of writing judges nothing yet. Read speeds are
    // coloured by the read minimum (10 MB/s), and accepted rules judge both passes again. Data
    // that came back wrong fails the card total and the stream whose file it was, with the
    // reason in the verdict's tooltip, however good the speeds.
    void readPassJudgedAndRejudged()
    {
        f.child<QCheckBox>("readTestCheck")->click();
        QVERIFY(QSettings().value("verdict/enableRead").toBool());
        replay(2);
        DataCheck check;
        check.addGood(1048576);
        check.addWrong(DataCheck::Kind::WrapRound, 1048576, 1048576,
                       QStringLiteral("__card_speed_test_1.dat"), 0, 0);
        f.window->currentRun().onDataChecked(check);
        writePass(40.0, {20.0, 20.0}, {0.4});
        QCOMPARE(f.cell(0, 16), QStringLiteral("--"));
        // Stream 1's CV is between the warn and the fail limits.
        QCOMPARE(colour(1, ResultColumn::FirstWrite + ResultColumn::Cv), orange);
        for (int k = 0; k < 20; ++k) {
            f.window->currentRun().onFileReadSample(0, k * 5, 60.0, 60.0);
            f.window->currentRun().onFileReadSample(1, k * 5, 7.0, 7.0);
        }
        f.window->currentRun().onReadFinished(67.0);
        QCOMPARE(f.cell(0, 10), QStringLiteral("67.00"));
        QCOMPARE(colour(2, 10), red);
        QCOMPARE(f.cell(0, 16), failText);
        QCOMPARE(f.cell(1, 16), failText);
        QCOMPARE(f.cell(2, 16), warnText);
        const QTableWidget *table = f.child<QTableWidget>("resultsTable");
        QVERIFY2(
            table->item(2, 16)->toolTip().startsWith("Read minimum 7.0 MB/s below 10.0 → Warn\n\n"),
            qPrintable(table->item(2, 16)->toolTip()));
        const QString tip = table->item(0, 16)->toolTip();
        QVERIFY2(tip.startsWith(QStringLiteral("Data: 1 sectors of 4 KiB (")), qPrintable(tip));
        QVERIFY(tip.contains(QStringLiteral("__card_speed_test_1.dat")));
        f.acceptRules([](VerdictRulesDialog *d) {
            d->findChild<QDoubleSpinBox *>("perStreamReadSpin")->setValue(6.0);
            d->findChild<QDoubleSpinBox *>("historyDropWarnSpin")->setValue(40.0);
        });
        QCOMPARE(QSettings().value("verdict/historyDropWarn").toDouble(), 0.4);
        QVERIFY(colour(2, 10) != red);
        // The same verdicts after a language switch there and back, data check included.
        switchLanguage(TraditionalChinese);
        const auto tipOf = [table](int row) { return table->item(row, 16)->toolTip(); };
        QVERIFY2(tipOf(1).contains(tipOf(0).section('\n', 0, 0)), qPrintable(tipOf(1)));
        switchLanguage(English);
        QCOMPARE(f.cell(1, 16), failText);
        QCOMPARE(f.cell(2, 16), passText);
        QCOMPARE(copiedTable(), shownTable());
        QCOMPARE(copiedTable().value(0).split('\t').size(), 14);
    }

    // A profile chosen beside the stream count sets one stream per channel and is stored. The
    // test it was started with is judged for it under the table.
    void dashcamProfile()
    {
        auto *combo = f.child<QComboBox>("dashcamProfileCombo");
        combo->setCurrentIndex(combo->findData("taxi"));
        QCOMPARE(f.child<QSpinBox>("streamCountSpin")->value(), 3);
        QCOMPARE(QSettings().value("testSettings/dashcamProfile").toString(), "taxi");
        f.open();
        QCOMPARE(f.child<QComboBox>("dashcamProfileCombo")->currentData().toString(), "taxi");

        DashcamProfile profile;
        parseDashcamProfile("4k+1080p", &profile);
        replay(2, false, profile);
        writePass(40.0, {20.0, 2.0});
        const QLabel *view = f.child<QLabel>("dashcamResultView");
        QCOMPARE(view->text(), "Speed class in this test: meets V30 · U3 · C10 (sustained write "
                               "40.00 MB/s)   ·   Dashcam 4K front + 1080p rear (50 + 12 Mbit/s): "
                               "Marginal");
        QVERIFY2(view->toolTip().contains("\nChannel 2 (12 Mbit/s) minimum 2.0 MB/s below 2.1 → "
                                          "Marginal"),
                 qPrintable(view->toolTip()));
        // A test without reading copies no read columns: the label, six write, the verdict.
        QCOMPARE(copiedTable(), shownTable());
        QCOMPARE(copiedTable().value(0).split('\t').size(), 8);
    }

    // Restore defaults puts every rule the dialog shows back to its default from another
    // value, the per-stream minimums to the recommended 10 MB/s.
    void rulesDialogRestoresDefaults()
    {
        VerdictRules expected, current;
        for (const QString &key : VerdictRulesStore::keys()) {
            const QVariant v = VerdictRulesStore::field(expected, key);
            VerdictRulesStore::setField(&current, key,
                                        v.userType() == QMetaType::Bool
                                            ? QVariant(!v.toBool())
                                            : QVariant(v.toDouble() + 2));
        }
        current.enableRead = expected.enableRead;  // the window's box, not the dialog's
        VerdictRulesDialog dialog(current, 1.0, 1.0);
        dialog.restoreDefaults();
        expected.perStreamWrite = expected.perStreamRead = 10.0;
        const VerdictRules restored = dialog.rules(current);
        for (const QString &key : VerdictRulesStore::keys())
            QVERIFY2(VerdictRulesStore::field(restored, key)
                         == VerdictRulesStore::field(expected, key),
                     qPrintable(key));
    }

    void historyDialog_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps the test") << false;
        QTest::newRow("Yes deletes it") << true;
    }

    // From the File menu, on every card: the modes in the window's words, the chart of the
    // selected test's card (of the newest test's before a choice), and Delete asks through
    // the window's prompt handler.
    void historyDialog()
    {
        QFETCH(bool, yes);
        const QString file = HistoryDb::defaultPath();
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(file + suffix);
        {
            HistoryDb db(file);
            const char *const tests[][2] = {{"A", "random"}, {"A", "fill"}, {"B", "files"}};
            for (int day = 0; day < 3; ++day) {
                HistoryCard card;
                card.key = QStringLiteral("volume:%1|1").arg(tests[day][0]);
                card.label = tests[day][0];
                HistoryTest t;
                t.startedAt = QDateTime(QDate(2026, 8, 1 + day), QTime(10, 0), Qt::UTC);
                t.mode = tests[day][1];
                t.blockSize = 65536;
                QVERIFY(db.record(card, &t));
            }
        }
        QStringList seen;
        QTimer poll, boxes;
        connect(&boxes, &QTimer::timeout, this, [] {
            // A box of the dialog's own, past the handler, is closed: No.
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->close();
        });
        boxes.start(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *d = qobject_cast<HistoryDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            poll.stop();
            auto *table = d->findChild<QTableWidget *>("historyTable");
            const auto chart = [&] {
                return d->findChild<QLabel *>("historyChartCard")->text() + ' '
                       + QString::number(d->findChild<HistoryChart *>()->tests().size());
            };
            for (int row = 0; row < table->rowCount(); ++row)
                seen << table->item(row, 2)->text();
            seen << chart();
            table->selectRow(2);
            seen << chart();
            d->findChild<QPushButton *>("historyDeleteButton")->click();
            seen << QString::number(table->rowCount());
            d->accept();
        });
        poll.start(10);
        f.prompts.answerQuestion = yes;
        f.window->findChild<QAction *>("historyAction")->trigger();
        QCOMPARE(seen, QStringList({"External file · 1 × 64 KB", "Rolling write · 1 × 64 KB",
                                    "Random data · 1 × 64 KB", "Chart: B 1", "Chart: A 2",
                                    yes ? "2" : "3"}));
        QCOMPARE(f.prompts.prompts.size(), 1);
        QCOMPARE(f.prompts.prompts[0].text,
                 QStringLiteral("Delete the 1 selected tests from the history?"));
        QCOMPARE(HistoryDb(file).tests().size(), yes ? 2 : 3);
    }

    // A stress run reads nothing: a ticked read box adds no read verdict to it, nor read
    // columns to its table or its copy. Its rolling rounds are one run, not rounds to count.
    void fillJudgedOnWritingAlone()
    {
        QSettings().setValue(QStringLiteral("verdict/iterCount"), 3);
        f.open();
        f.child<QCheckBox>("readTestCheck")->click();
        const auto *table = f.child<QTableWidget>("resultsTable");
        QVERIFY(!table->isColumnHidden(ResultColumn::FirstRead));
        replay(1, true);
        writePass(40.0, {40.0});
        QVERIFY2(f.child<QLabel>("writeSpeedLabel")->text().startsWith("Current: 40.00 "),
                 qPrintable(f.child<QLabel>("writeSpeedLabel")->text()));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(f.cell(0, 16), passText);
        // Judged again, it still has no read figures.
        f.acceptRules();
        QCOMPARE(f.cell(0, 10), QStringLiteral("--"));
        QCOMPARE(f.cell(0, 16), passText);
        QVERIFY(table->isColumnHidden(ResultColumn::FirstRead));
        QCOMPARE(copiedTable(), shownTable());
        QCOMPARE(copiedTable().value(0).split('\t').size(), 8);
    }

    // A 16 GB card bars the sizes above 3.5 GB and moves the choice to the largest one left,
    // through the combo box: the total and the stored setting follow.
    void fat32LimitHidesSizes()
    {
        auto *sizes = f.child<QComboBox>("testSizeCombo");
        sizes->setCurrentText(QStringLiteral("10 GB"));
        f.addCard("/media/small/", 0, 17179869184).volume.label.clear();
        f.click("refreshButton");
        auto *drives = f.child<QComboBox>("driveCombo");
        QCOMPARE(drives->currentText(),
                 QStringLiteral("/media/small/ [Removable] FAT32 0.0/16.0 GB"));
        switchLanguage(TraditionalChinese);
        QCOMPARE(drives->currentText(), QStringLiteral("/media/small/ [卸除式] FAT32 0.0/16.0 GB"));
        switchLanguage(English);
        QVERIFY(static_cast<QListView *>(sizes->view())->isRowHidden(sizes->findText("5 GB")));
        QCOMPARE(sizes->currentText(), QStringLiteral("3 GB"));
        QCOMPARE(f.child<QLabel>("totalSizeLabel")->text(), QStringLiteral("Total: 6.0 GB"));
        QCOMPARE(QSettings().value(QStringLiteral("testSettings/testSizeIndex")).toInt(), 3);
    }

    void formatOutcome_data()
    {
        QTest::addColumn<bool>("formatAnswer");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("logged");  // after "Formatting <drive> …"
        using R = platform::FormatResult;
        const QString goesOn = QStringLiteral(" Continuing with test…");
        const QStringList both{"describe /media/card/", "start /media/card/"}, one = both.mid(0, 1);
        QTest::newRow("No formats nothing") << false << true << int(R::Done) << QStringList() << "";
        QTest::newRow("done") << true << true << int(R::Done) << both << "Format complete.";
        QTest::newRow("failed") << true << true << int(R::Failed) << both
                                << "Format failed." + goesOn;
        QTest::newRow("confirmation closed")
            << true << false << int(R::Done) << one << "Format cancelled." + goesOn;
        QTest::newRow("cannot be described")  // the service cannot describe the drive
            << true << true << int(R::CannotFormat) << one
            << "This drive cannot be formatted." + goesOn;
    }

    // The offer comes before anything is written; nothing is formatted without both yeses,
    // and whatever the format did, the test goes on to the free-space check, which this card
    // fails. The confirmation names the device, its size, its file system and its label.
    void formatOutcome()
    {
        QFETCH(bool, formatAnswer);
        QFETCH(int, result);
        QFETCH(QString, logged);
        f.addCard("/media/card/", 1048576, 68719476736);
        f.open();
        f.format->describable = result != int(platform::FormatResult::CannotFormat);
        f.format->result = static_cast<platform::FormatResult>(result);
        f.format->message = QStringLiteral("mkfs said no");
        f.prompts.answerQuestion = formatAnswer;
        QFETCH(bool, confirm);
        f.prompts.answerConfirm = confirm;
        LogCapture capture;
        f.click("startButton");
        QTRY_VERIFY(!f.format->waiting);
        QTEST(f.format->calls, "calls");
        QStringList expected;
        if (formatAnswer)
            expected << QStringLiteral("Formatting /media/card/ …") << logged;
        if (result != int(platform::FormatResult::Done))
            expected << QStringLiteral("mkfs said no");
        QCOMPARE(capture.messages(), expected);
        if (formatAnswer && f.format->describable) {
            for (const char *part : {"/dev/fakecard1", "64.0 GB", "vfat", "CARD"})
                QVERIFY2(f.prompts.prompts.at(1).text.contains(QLatin1String(part)), part);
        }
        QCOMPARE(f.prompts.prompts.last().title, QStringLiteral("Insufficient space"));
        QVERIFY(f.window->currentTester() == nullptr);

        // The same lines in the log panel (hidden until asked for), the latest in the status
        // bar, and a format that did not happen kept there until the next test.
        auto *panel = f.window->findChild<LogPanel *>();
        QVERIFY(panel->isHidden());
        for (const QString &line : expected)
            QVERIFY2(panel->text().contains("] " + line), qPrintable(line));
        f.window->appendLog(QStringLiteral("Later line"));
        QCOMPARE(f.child<QLabel>("logLatestLabel")->text(), QStringLiteral("Later line"));
        const bool kept = logged.endsWith(QStringLiteral(" Continuing with test…"));
        QCOMPARE(f.child<QLabel>("logKeptLabel")->text(), kept ? logged : QString());
        f.prompts.answerQuestion = false;
        f.click("startButton");
        QVERIFY(f.child<QLabel>("logKeptLabel")->text().isEmpty());
        f.window->findChild<QAction *>("showLogAction")->trigger();
        QVERIFY(!panel->isHidden());
    }

    void afterFormat_data()
    {
        QTest::addColumn<QString>("lastPrompt");  // empty: none after the confirmation
        QTest::addColumn<QString>("selected");    // the drive selected in the end
        QTest::newRow("back at a new root")
            << "Selected drive has insufficient free space.\nRequired: 2048 MB\nAvailable: 2 MB"
            << "/media/card2/";
        QTest::newRow("lost, no drive left") << "Cannot access the drive after format."
                                             << "";
        // Never the other card instead, which has room enough for the test.
        QTest::newRow("lost, another drive listed")
            << "/media/card/ is no longer listed after the format, so the test was not started: "
               "no other drive is written to without your choice.\n\nPlease insert the card, "
               "click \"Refresh\" and select it again."
            << "/media/a/";
        QTest::newRow("stopped while formatting") << ""
                                                  << "/media/card/";
    }

    void afterFormat()
    {
        const QString situation = QTest::currentDataTag();
        if (situation != "lost, no drive left")
            f.addCard("/media/a/", 68719476736, 68719476736);
        f.addCard("/media/card/", 1048576, 68719476736);
        f.open();
        auto *drives = f.child<QComboBox>("driveCombo");
        drives->setCurrentIndex(drives->findData(QStringLiteral("/media/card/")));
        f.child<QSpinBox>("streamCountSpin")->setValue(1);
        if (situation == "back at a new root") {
            f.addCard("/media/card2/", 2097152, 68719476736);
            f.format->newRoot = QStringLiteral("/media/card2/");
        }
        f.format->removeDrive = situation.startsWith("lost");
        f.format->finishes = situation != "stopped while formatting";
        f.prompts.answerQuestion = f.prompts.answerConfirm = true;
        auto *label = f.child<QLabel>("writeSpeedLabel");
        const QString labelBefore = label->text();
        LogCapture capture;

        f.click("startButton");
        // The click has returned with the format under way: the window runs on, locked, and
        // a click that still arrives changes nothing.
        QVERIFY(f.format->waiting && !f.idle() && !drives->isEnabled());
        f.window->startTest();
        QCOMPARE(label->text(), QStringLiteral("Formatting /media/card/ …"));
        if (situation == "stopped while formatting") {
            f.click("stopButton");
            QCOMPARE(f.format->calls.last(), QStringLiteral("abandon"));
            QCOMPARE(capture.messages().last(), QStringLiteral("Stopped waiting for the format of "
                                                               "/media/card/; the test was not "
                                                               "started."));
            QCOMPARE(label->text(), labelBefore);
        }
        QTRY_VERIFY(!f.format->waiting);
        QFETCH(QString, lastPrompt);
        QCOMPARE(f.prompts.prompts.size(), lastPrompt.isEmpty() ? 2 : 3);
        if (!lastPrompt.isEmpty())
            QCOMPARE(f.prompts.prompts.last().text, lastPrompt);
        QTEST(drives->currentData().toString(), "selected");
        QVERIFY(f.window->currentTester() == nullptr && f.idle() && drives->isEnabled());
    }

    // The real handler: a closed confirmation is a Cancel; the engine's error box is shown
    // without a nested event loop, so the run goes on ending while it is open.
    void realPrompts()
    {
        int closed = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&closed] {
            if (QWidget *modal = QApplication::activeModalWidget())
                closed += modal->close();
        });
        closer.start(20);
        UserPrompt confirm;
        confirm.kind = UserPrompt::FormatConfirm;
        QCOMPARE(showUserPrompt(nullptr, confirm), false);
        QCOMPARE(closed, 1);

        UserPrompt error;
        error.kind = UserPrompt::RunError;
        error.text = QStringLiteral("Write failed");
        QWidget parent;
        parent.show();
        QCOMPARE(showUserPrompt(&parent, error), false);
        auto *box = parent.findChild<QMessageBox *>();
        QVERIFY2(box && box->isVisible(), "the error box waited for its OK");
        QCOMPARE(box->text(), error.text);
    }

    // The stress mode is in sight beside Start, and a stress run asks first, with what it
    // will write and how long that may take; No leaves the card alone.
    void stressAsksFirst()
    {
        QSettings().setValue(QStringLiteral("verdict/fullCap"), true);
        QSettings().setValue(QStringLiteral("verdict/iterCount"), 3);
        f.addCard("/media/card/", 68719476736, 68719476736);
        f.open();
        QCOMPARE(f.child<QLabel>("stressBanner")->text(),
                 QStringLiteral("Stress mode: fill the card, 3 rounds"));
        f.click("startButton");
        QCOMPARE(f.prompts.prompts.last().title, QStringLiteral("Start the stress test"));
        QVERIFY2(f.prompts.prompts.last().text.contains(
                     "32 files of 2048 MB, then rewrites the oldest file 3 times: 70.0 GB written "
                     "in all.\n\nEstimated duration: 1:59:28 at an assumed 10 MB/s"),
                 qPrintable(f.prompts.prompts.last().text));
        QVERIFY(f.idle() && f.window->currentTester() == nullptr);
    }

    void fitsScreen_data()
    {
        QTest::addColumn<QSize>("available");  // a screen's free area, device-independent
        QTest::newRow("1366x768 laptop") << QSize(1366, 768);
        QTest::newRow("1920x1080 at 125 %") << QSize(1536, 864);
        QTest::newRow("1920x1080 at 150 %, 2560x1440 at 200 %") << QSize(1280, 720);
        QTest::newRow("2560x1440") << QSize(2560, 1440);
    }

    // On any of these screens the window fits the free area, keeps its usual size where it
    // can, and shows Start, Stop and the results table whole (at the usual size the settings
    // too, in random mode), in either test mode, in Traditional Chinese too (its glyphs are
    // taller).
    void fitsScreen()
    {
        QFETCH(QSize, available);
        const WindowFit fit = fitWindow(available);
        const QSize room = available - windowFrameAllowance;
        QVERIFY(fit.size.width() <= room.width() && fit.size.height() <= room.height());
        QCOMPARE(fit.minimum, fit.size);
        if (room.height() >= usualWindowSize.height())
            QCOMPARE(fit.size, usualWindowSize);
        switchLanguage(TraditionalChinese);
        f.window->fitToScreen(QRect(QPoint(0, 0), available));
        replay(2);  // a judged test: the verdict line under the table takes room too
        writePass(40.0, {20.0, 3.0});
        for (const char *mode : {"randomModeRadio", "externalFileRadio"}) {
            f.child<QRadioButton>(mode)->setChecked(true);
            for (int i = 0; i < 3; ++i)
                QCoreApplication::processEvents();
            QCOMPARE(f.window->size(), fit.size);
            auto *central = f.child<QWidget>("centralWidget");
            QVERIFY2(central->minimumSizeHint().height() <= central->height(), mode);
            const char *whole[] = {"startButton", "stopButton", "resultsTable",
                                   "resultSummaryLabel", "settingsGroup"};
            const bool settingsWhole = !fit.compact && mode[0] == 'r';
            for (const char *name : QVector<const char *>(whole, whole + 4 + settingsWhole)) {
                auto *w = f.child<QWidget>(name);
                const QRect inWindow(w->mapTo(f.window.get(), QPoint(0, 0)), w->size());
                QVERIFY2(w->isVisible() && f.window->rect().contains(inWindow), name);
                // No scroll area may hide part of it.
                for (QWidget *p = w->parentWidget(); p != f.window.get(); p = p->parentWidget()) {
                    if (auto *area = qobject_cast<QAbstractScrollArea *>(p)) {
                        const QRect inView(w->mapTo(area->viewport(), QPoint(0, 0)), w->size());
                        QVERIFY2(area->viewport()->rect().contains(inView), name);
                    }
                }
            }
            // The header and the card total row, at least.
            auto *table = f.child<QTableWidget>("resultsTable");
            QVERIFY(table->height() >= table->horizontalHeader()->height() + 42);
        }
    }

private:
    // The table as "Copy results" gives it, header and rows, tab-separated.
    QStringList copiedTable() const
    {
        f.child<QAction>("copyResultsAction")->trigger();
        const QStringList lines = QGuiApplication::clipboard()->text().split('\n');
        const int header = lines.indexOf(QRegularExpression("File\t.*"));
        return lines.mid(header, f.child<QTableWidget>("resultsTable")->rowCount() + 1);
    }
    // The same from the window: the shown columns' headers and cells.
    QStringList shownTable() const
    {
        const auto *table = f.child<QTableWidget>("resultsTable");
        QStringList lines;
        for (int row = -1; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < ResultColumn::Count; ++column) {
                if (!table->isColumnHidden(column) && table->item(0, column))
                    cells << (row < 0 ? table->horizontalHeaderItem(column)
                                      : table->item(row, column))
                                 ->text();
            }
            lines << cells.join('\t');
        }
        return lines;
    }

    QString colour(int row, int column) const
    {
        const QTableWidgetItem *item = f.child<QTableWidget>("resultsTable")->item(row, column);
        return item->foreground().color().name();
    }

    // The display of a test of `streams` random streams (a stress run with `fill`), without an
    // engine.
    void replay(int streams, bool fill = false, const DashcamProfile &profile = {})
    {
        QVector<StreamSource> sources;
        for (int i = 1; i <= streams; ++i)
            sources.append(StreamSource{StreamSource::RandomStream, i, QString()});
        TestPlan plan;
        plan.read = f.window->verdictRules().enableRead;
        plan.fill = fill;
        plan.iterations = plan.fillRounds = f.window->verdictRules().iterCount;
        plan.dashcam = profile;
        f.window->currentRun().replay(plan, sources);
        f.window->prepareResults(sources);
    }

    // Twenty reports of a write pass and its end: the card at `card` MB/s, stream i at
    // streams[i], by turns that much faster and slower by the fraction swings[i].
    void writePass(double card, const QVector<double> &streams, const QVector<double> &swings = {})
    {
        for (int percent = 0; percent <= 100; percent += 5) {
            f.window->currentRun().onWriteProgress(percent, card, card);
            const int sign = percent % 10 ? 1 : -1;
            for (int i = 0; i < streams.size(); ++i) {
                const double speed = streams[i] * (1 + sign * swings.value(i));
                f.window->currentRun().onFileWriteSample(i, percent, speed, streams[i]);
            }
        }
        f.window->currentRun().onWriteFinished(card);
    }
};

QTEST_MAIN(TestWindowControls)
#include "tst_windowcontrols.moc"
