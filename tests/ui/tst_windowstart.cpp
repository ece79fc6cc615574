#include "plancheck.h"
#include "windowfixture.h"

#include <QListView>
#include <QMessageBox>

// The drive list and the FAT32 limit a small card puts on the test size, a refusal of
// Start, the offer to format the card first, and the real prompt handler. Everything here
// ends before an engine starts; the runs are in tst_windowrun.
class TestWindowStart : public WindowTestCase
{
    Q_OBJECT

private slots:
    void driveItemText_data()
    {
        QTest::addColumn<QString>("label");   // null: the volume cannot be read
        QTest::addColumn<double>("totalGB");  // 0: the space cannot be read
        QTest::addColumn<QString>("expected");
        QTest::newRow("all known") << "CAM" << 14.75 << "[CAM] FAT32 3.5/14.8 GB";
        QTest::newRow("label with %1") << "A%1B" << 2.0 << "[A%1B] FAT 3.5/2.0 GB";
        QTest::newRow("empty label") << "" << 2.0 << "[Removable] FAT 3.5/2.0 GB";
        QTest::newRow("nothing known") << QString() << 0.0 << "[Removable]";
    }

    void driveItemText()
    {
        QFETCH(QString, label);
        QFETCH(double, totalGB);
        FakeDrive &card = f.addCard("/media/e/", 3758096384, qint64(totalGB * 1073741824));
        card.volume.label = label.toStdString();
        card.volumeOk = !label.isNull();
        card.spaceOk = totalGB > 0;
        f.open();
        auto *drives = f.child<QComboBox>("driveCombo");
        QCOMPARE(drives->count(), 1);
        QFETCH(QString, expected);
        QCOMPARE(drives->itemText(0), QStringLiteral("/media/e/ ") + expected);
        QCOMPARE(drives->itemData(0).toString(), QStringLiteral("/media/e/"));
    }

    // A 16 GB card hides the sizes above 3.5 GB and moves the choice to the largest one
    // left, through the combo box: the total and the stored setting follow. A capacity that
    // cannot be read limits nothing.
    void fat32LimitHidesSizes()
    {
        auto *sizes = f.child<QComboBox>("testSizeCombo");
        const auto hiddenSizes = [sizes] {
            QStringList hidden;
            for (int row = 0; row < sizes->count(); ++row) {
                if (static_cast<QListView *>(sizes->view())->isRowHidden(row))
                    hidden << sizes->itemText(row);
            }
            return hidden;
        };
        sizes->setCurrentText(QStringLiteral("10 GB"));
        FakeDrive &card = f.addCard("/media/small/", 0, 17179869184);
        f.click("refreshButton");
        QCOMPARE(hiddenSizes(), (QStringList{"5 GB", "10 GB", "15 GB", "20 GB", "25 GB", "30 GB"}));
        QCOMPARE(sizes->currentText(), QStringLiteral("3 GB"));
        QCOMPARE(f.child<QLabel>("totalSizeLabel")->text(), QStringLiteral("Total: 6.0 GB"));
        QCOMPARE(QSettings().value(QStringLiteral("testSettings/testSizeIndex")).toInt(), 3);

        card.spaceOk = false;
        f.click("refreshButton");
        QCOMPARE(hiddenSizes(), QStringList());
        QCOMPARE(sizes->currentText(), QStringLiteral("3 GB"));
    }

    void refusalShown_data()
    {
        QTest::addColumn<bool>("card");
        QTest::newRow("no drive: a warning") << false;
        QTest::newRow("card no longer removable: critical") << true;
    }

    // The window shows the shared check's refusal as it is, and stays idle.
    void refusalShown()
    {
        QFETCH(bool, card);
        TestPlan plan;
        if (card) {
            plan.target = QStringLiteral("/media/card/");
            f.addCard(plan.target.toStdString(), 68719476736, 68719476736);
            f.open();
            (*f.drives)[plan.target.toStdString()].removable = false;
        }
        const PlanRefusal refusal =
            checkPlan(plan, inspectTarget(plan.target, FakeDriveService(f.drives)));
        QCOMPARE(refusal.critical, card);

        f.click("startButton");
        QCOMPARE(f.prompts.prompts.size(), 1);
        const UserPrompt &shown = f.prompts.prompts.first();
        QCOMPARE(shown.kind, card ? UserPrompt::Critical : UserPrompt::Warning);
        QCOMPARE(shown.title, refusal.title());
        QCOMPARE(shown.text, refusal.text());
        QVERIFY(f.idle() && f.window->currentTester() == nullptr && f.format->calls.isEmpty());
    }

    void formatOutcome_data()
    {
        QTest::addColumn<bool>("formatAnswer");
        QTest::addColumn<bool>("describable");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("logged");  // after "Formatting <drive> …"; the service's
                                              // own reason follows a failure
        using R = platform::FormatResult;
        const QStringList both{"describe /media/card/", "start /media/card/"};
        const QString cancelled = QStringLiteral("Format cancelled. Continuing with test…");
        QTest::newRow("No formats nothing")
            << false << true << true << int(R::Done) << QStringList() << "";
        QTest::newRow("done") << true << true << true << int(R::Done) << both << "Format complete.";
        QTest::newRow("failed") << true << true << true << int(R::Failed) << both
                                << "Format failed. Continuing with test…";
        QTest::newRow("confirmation closed")
            << true << true << false << int(R::Done) << QStringList(both.mid(0, 1)) << cancelled;
        QTest::newRow("cannot be described")
            << true << false << true << int(R::CannotFormat) << QStringList(both.mid(0, 1))
            << "This drive cannot be formatted. Continuing with test…";
    }

    // The offer comes before anything is written; nothing is formatted without both yeses,
    // and whatever the format did, the test goes on to the free-space check, which this
    // card fails.
    void formatOutcome()
    {
        QFETCH(bool, formatAnswer);
        QFETCH(bool, describable);
        QFETCH(bool, confirm);
        QFETCH(int, result);
        QFETCH(QString, logged);
        f.addCard("/media/card/", 1048576, 68719476736);
        f.open();
        f.format->describable = describable;
        f.format->result = static_cast<platform::FormatResult>(result);
        f.format->message = "mkfs said no";
        f.prompts.answerQuestion = formatAnswer;
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
        if (formatAnswer && describable) {
            // The last word names the device, its size, its file system and its label.
            const QString confirmation = f.prompts.prompts.at(1).text;
            for (const char *part : {"/dev/fakecard1", "64.0 GB", "vfat", "CARD"})
                QVERIFY2(confirmation.contains(QLatin1String(part)), part);
        }
        QCOMPARE(f.prompts.prompts.last().title, QStringLiteral("Insufficient space"));
        QVERIFY(f.window->currentTester() == nullptr);
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
        QFETCH(QString, lastPrompt);
        QFETCH(QString, selected);
        if (situation != "lost, no drive left")
            f.addCard("/media/a/", 68719476736, 68719476736);
        f.addCard("/media/card/", 1048576, 68719476736);
        f.open();
        auto *drives = f.child<QComboBox>("driveCombo");
        drives->setCurrentIndex(drives->findData(QStringLiteral("/media/card/")));
        f.child<QSpinBox>("streamCountSpin")->setValue(1);
        if (situation == "back at a new root") {
            f.addCard("/media/card2/", 2097152, 68719476736);
            f.format->newRoot = "/media/card2/";
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
            QCOMPARE(capture.messages().last(),
                     QStringLiteral("Stopped waiting for the format of /media/card/; the test "
                                    "was not started."));
            QCOMPARE(label->text(), labelBefore);
        }
        QTRY_VERIFY(!f.format->waiting);

        QCOMPARE(f.prompts.prompts.size(), lastPrompt.isEmpty() ? 2 : 3);
        if (!lastPrompt.isEmpty())
            QCOMPARE(f.prompts.prompts.last().text, lastPrompt);
        QCOMPARE(drives->currentData().toString(), selected);
        QVERIFY(f.window->currentTester() == nullptr);
        QVERIFY(f.idle() && drives->isEnabled());
    }

    // The real handler: a closed confirmation is a Cancel; the engine's error box is shown
    // without a nested event loop, so the run goes on ending while it is open.
    void realPrompts()
    {
        ModalCloser closer;
        UserPrompt confirm;
        confirm.kind = UserPrompt::FormatConfirm;
        QCOMPARE(showUserPrompt(nullptr, confirm), false);
        QCOMPARE(closer.closed, 1);

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
};

QTEST_MAIN(TestWindowStart)
#include "tst_windowstart.moc"
