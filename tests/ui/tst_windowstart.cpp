#include "windowfixture.h"

#include <QFile>
#include <QListView>

#include <memory>

namespace {

QList<int> hiddenRows(QComboBox *combo)
{
    auto *view = qobject_cast<QListView *>(combo->view());
    QList<int> hidden;
    for (int row = 0; view && row < combo->count(); ++row) {
        if (view->isRowHidden(row))
            hidden << row;
    }
    return hidden;
}

}  // namespace

// The drive list, the FAT32 limit a small card puts on the test size, what Start refuses
// and in which order, and the offer to format the card first. Every check here ends before
// an engine starts; the runs themselves are in tst_windowrun.
class TestWindowStart : public WindowTestCase
{
    Q_OBJECT

private slots:
    void init()
    {
        WindowTestCase::init();
        filesDir = std::make_unique<QTemporaryDir>();
        QVERIFY(filesDir->isValid());
    }

    void driveItemText_data()
    {
        QTest::addColumn<QString>("label");  // null: the volume cannot be read
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<double>("freeGB");
        QTest::addColumn<double>("totalGB");  // 0: the space cannot be read
        QTest::addColumn<QString>("expected");

        const auto row = [](const char *name, const char *label, double freeGB, double totalGB,
                            const char *expected) {
            QTest::newRow(name) << QString(label) << "vfat" << freeGB << totalGB << expected;
        };
        row("all known", "CAM", 3.5, 14.75, "[CAM] FAT32 3.5/14.8 GB");
        row("empty label", "", 0.0, 64.0, "[Removable] FAT32 0.0/64.0 GB");
        row("label with %1", "A%1B", 1.0, 2.0, "[A%1B] FAT 1.0/2.0 GB");
        row("volume unknown", nullptr, 1.0, 2.0, "[Removable]  1.0/2.0 GB");
        row("space unknown", "CAM", 1.0, 0.0, "[CAM] FAT");
        row("both unknown", nullptr, 1.0, 0.0, "[Removable]");
    }

    void driveItemText()
    {
        QFETCH(QString, label);
        QFETCH(QString, fileSystem);
        QFETCH(double, freeGB);
        QFETCH(double, totalGB);
        QFETCH(QString, expected);

        const double gb = 1073741824;
        FakeDrive &card = f.addCard("/media/e/", qint64(freeGB * gb), qint64(totalGB * gb));
        card.volume = {label.toStdString(), fileSystem.toStdString()};
        card.volumeOk = !label.isNull();
        card.spaceOk = totalGB > 0;
        f.open();
        auto *drives = f.child<QComboBox>("driveCombo");
        QCOMPARE(drives->count(), 1);
        QCOMPARE(drives->itemText(0), QStringLiteral("/media/e/ ") + expected);
        QCOMPARE(drives->itemData(0).toString(), QStringLiteral("/media/e/"));
    }

    void driveList()
    {
        // Nothing removable: one warning item without a root, and Start stays available to
        // explain itself.
        f.addCard("/b/", 0, 1073741824).removable = false;
        f.open();
        auto *drives = f.child<QComboBox>("driveCombo");
        f.click("refreshButton");
        QCOMPARE(drives->count(), 1);
        QCOMPARE(drives->itemText(0),
                 QStringLiteral("⚠ No removable drive detected — please insert "
                                "an memory card / USB drive"));
        QVERIFY(drives->itemData(0).toString().isEmpty());
        QVERIFY(f.child<QPushButton>("startButton")->isEnabled());

        // Only the removable drives, in order; a refresh selects the first again.
        f.addCard("/a/", 0, 1073741824);
        f.addCard("/c/", 0, 1073741824);
        f.click("refreshButton");
        QCOMPARE(drives->count(), 2);
        QCOMPARE(drives->itemData(0).toString(), QStringLiteral("/a/"));
        QCOMPARE(drives->itemData(1).toString(), QStringLiteral("/c/"));
        drives->setCurrentIndex(1);
        f.click("refreshButton");
        QCOMPARE(drives->currentIndex(), 0);
    }

    void fat32LimitHidesSizes()
    {
        auto *sizes = f.child<QComboBox>("testSizeCombo");
        const auto refreshWith = [&](qint64 totalBytes, bool known = true) {
            f.addCard("/media/small/", 0, totalBytes).spaceOk = known;
            f.click("refreshButton");
            return hiddenRows(sizes);
        };
        const QList<int> above3GB = {4, 5, 6, 7, 8, 9};

        // A 16 GB card hides the sizes above 3.5 GB and moves the choice to the largest one
        // left, through the combo box: the total and the stored setting follow.
        sizes->setCurrentText(QStringLiteral("10 GB"));
        QCOMPARE(refreshWith(17179869184), above3GB);
        QCOMPARE(sizes->currentText(), QStringLiteral("3 GB"));
        QCOMPARE(f.child<QLabel>("totalSizeLabel")->text(), QStringLiteral("Total: 6.0 GB"));
        QCOMPARE(QSettings().value(QStringLiteral("testSettings/testSizeIndex")).toInt(), 3);

        // A bigger card shows every size again and leaves the choice where it is. Exactly
        // 32 GiB is still a small card, one byte more is not.
        QVERIFY(refreshWith(68719476736).isEmpty());
        QCOMPARE(sizes->currentText(), QStringLiteral("3 GB"));
        QCOMPARE(refreshWith(34359738368), above3GB);
        QVERIFY(refreshWith(34359738369).isEmpty());

        // A capacity that cannot be read limits nothing.
        sizes->setCurrentText(QStringLiteral("30 GB"));
        QVERIFY(refreshWith(17179869184, false).isEmpty());
        QCOMPARE(sizes->currentText(), QStringLiteral("30 GB"));
    }

    void refusal_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");

        // The row name is the situation that refusal() sets up.
        const auto row = [](const char *situation, const char *title, const QString &text) {
            QTest::newRow(situation) << title << text;
        };
        const QString fat32 = "Target card ≤32GB uses FAT32 with a 4GB per-file hard limit.\n";
        row("no drive", "No removable drive detected",
            "Please insert an memory card / USB drive, click \"Refresh\", then start the test.");
        row("not removable", "Operation blocked",
            "Target /media/card/ is not a removable drive — the test is refused to protect local "
            "data.\n\nPlease insert an memory card / USB drive and click \"Refresh\" to "
            "re-select.");
        row("mode conflict", "Mode conflict",
            "[Fill entire card] only supports [Random data] mode. Switch test mode, or disable "
            "full-capacity mode in the verdict rules.");
        row("no files", "Error", "Please select at least one external file first.");
        row("missing files", "Error", "The following files do not exist:\n<dir>/gone1.mp4\n<dir>");
        row("files too small", "Error",
            "Total size of selected files is smaller than the block size; cannot test.");
        row("FAT32 files", "Card capacity limit",
            fat32 + "Please remove or split source files larger than 3.5GB and retry.");
        row("size below block", "Error", "Test size is smaller than block size.");
        row("FAT32 random", "Card capacity limit",
            fat32 + "Please keep the test size at 3.5GB or below.");
        // The default 2 streams of 2 GB need 4294967296 bytes.
        row("low space", "Insufficient space",
            "Selected drive has insufficient free space.\nRequired: 4096 MB\nAvailable: 4095 MB");
    }

    void refusal()
    {
        const QString situation = QTest::currentDataTag();
        QFETCH(QString, title);
        QFETCH(QString, text);

        const qint64 small = 17179869184;  // 16 GB
        const qint64 big = 68719476736;    // 64 GB
        if (situation != "no drive")
            f.addCard("/media/card/", situation == "low space" ? 4294967295 : big,
                      situation.startsWith("FAT32") ? small : big);
        QSettings().setValue(QStringLiteral("verdict/fullCap"), situation == "mode conflict");
        f.open();
        if (situation == "not removable")
            f.drives->drives["/media/card/"].removable = false;
        const bool external = situation == "mode conflict" || situation.contains("files");
        f.child<QRadioButton>(external ? "externalFileRadio" : "randomModeRadio")->setChecked(true);
        if (situation == "missing files") {
            addFile(filesDir->filePath(QStringLiteral("gone1.mp4")));
            addFile(makeFile(QStringLiteral("there.mp4"), 4 * 1048576));
            addFile(filesDir->path());  // a folder is not a file either
            text.replace(QStringLiteral("<dir>"), filesDir->path());
        } else if (situation == "files too small") {
            addFile(makeFile(QStringLiteral("a.mp4"), 1048575));
            addFile(makeFile(QStringLiteral("b.mp4"), 10));
        } else if (situation == "FAT32 files") {
            addFile(makeFile(QStringLiteral("small.mp4"), 1048576));
            // One block above 3.5 GiB after rounding down.
            addFile(makeFile(QStringLiteral("big.mp4"), 3758096384 + 1048576 + 5));
        } else if (situation == "size below block") {
            auto *sizes = f.child<QComboBox>("testSizeCombo");
            sizes->addItem(QStringLiteral("tiny"), QVariant::fromValue<qint64>(1048575));
            sizes->setCurrentIndex(sizes->count() - 1);
        } else if (situation == "FAT32 random") {
            f.child<QComboBox>("testSizeCombo")->setCurrentText(QStringLiteral("5 GB"));
        }

        f.click("startButton");

        // Only the low-space rule comes after the format offer (answered No).
        QCOMPARE(f.prompts.prompts.size(), situation == "low space" ? 2 : 1);
        const UserPrompt &last = f.prompts.prompts.last();
        // Only a blocked target is critical.
        QCOMPARE(last.kind,
                 situation == "not removable" ? UserPrompt::Critical : UserPrompt::Warning);
        QCOMPARE(last.title, title);
        QCOMPARE(last.text, text);
        QVERIFY(f.window->currentTester() == nullptr);
        QVERIFY(f.child<QPushButton>("startButton")->isEnabled());
        QVERIFY(!f.child<QPushButton>("stopButton")->isEnabled());
        QVERIFY(f.format->calls.isEmpty());
    }

    void refusalsComeInOrder()
    {
        // A fill-entire-card test in external-file mode without files on a pulled card: the
        // drive is looked at first, then the mode, then the files.
        FakeDrive &card = f.addCard("/media/card/", 0, 17179869184);
        QSettings().setValue(QStringLiteral("verdict/fullCap"), true);
        f.open();
        f.child<QRadioButton>("externalFileRadio")->setChecked(true);
        card.removable = false;
        f.click("startButton");
        card.removable = true;
        f.click("startButton");
        QStringList titles;
        for (const UserPrompt &p : f.prompts.prompts)
            titles << p.title;
        QCOMPARE(titles, (QStringList{"Operation blocked", "Mode conflict"}));

        // Missing files are named before the size of the others is looked at.
        QSettings().setValue(QStringLiteral("verdict/fullCap"), false);
        f.prompts.prompts.clear();
        f.open();
        f.child<QRadioButton>("externalFileRadio")->setChecked(true);
        addFile(makeFile(QStringLiteral("tiny.mp4"), 3));
        addFile(filesDir->filePath(QStringLiteral("gone.mp4")));
        f.click("startButton");
        QCOMPARE(f.prompts.prompts.size(), 1);
        QVERIFY(f.prompts.prompts.first().text.startsWith(QStringLiteral("The following files")));
        QVERIFY(f.window->currentTester() == nullptr);
    }

    void formatOutcome_data()
    {
        QTest::addColumn<bool>("formatAnswer");
        QTest::addColumn<bool>("describable");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("outcome");  // logged after "Formatting <drive> …"
        QTest::addColumn<int>("calls");            // describe, then start

        using R = platform::FormatResult;
        const auto row = [](const char *name, bool answer, bool describable, bool confirm, R result,
                            const QStringList &outcome, int calls) {
            QTest::newRow(name) << answer << describable << confirm << int(result) << outcome
                                << calls;
        };
        const QString cancelled = QStringLiteral("Format cancelled. Continuing with test…");
        row("No formats nothing", false, true, true, R::Done, {}, 0);
        row("done", true, true, true, R::Done, {"Format complete."}, 2);
        row("failed", true, true, true, R::Failed,
            {"Format failed. Continuing with test…", "mkfs said no"}, 2);
        row("confirmation closed", true, true, false, R::Done, {cancelled}, 1);
        row("authorisation refused", true, true, true, R::Cancelled, {cancelled}, 2);
        row("cannot be described", true, false, true, R::CannotFormat,
            {"This drive cannot be formatted. Continuing with test…", "mkfs said no"}, 1);
    }

    void formatOutcome()
    {
        QFETCH(bool, formatAnswer);
        QFETCH(bool, describable);
        QFETCH(bool, confirm);
        QFETCH(int, result);
        QFETCH(QStringList, outcome);
        QFETCH(int, calls);

        // Too little room: the free-space box shows that the test went on after the offer.
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

        if (formatAnswer)
            outcome.prepend(QStringLiteral("Formatting /media/card/ …"));
        QCOMPARE(capture.messages(), outcome);
        QCOMPARE(f.format->calls,
                 QStringList({"describe /media/card/", "start /media/card/"}).mid(0, calls));
        QVERIFY(f.prompts.prompts.size() >= 2);
        const UserPrompt &offer = f.prompts.prompts.first();
        QCOMPARE(int(offer.kind), int(UserPrompt::Question));
        QCOMPARE(offer.title, QStringLiteral("Format before test"));
        QCOMPARE(offer.text,
                 QStringLiteral("Format /media/card/ first?\n\nThis will erase ALL data on "
                                "the target drive!\nA freshly formatted card yields more "
                                "consistent, repeatable results."));
        if (formatAnswer && describable) {
            // The last word names the device, its size, its file system and its label.
            const UserPrompt &confirmation = f.prompts.prompts.at(1);
            QCOMPARE(int(confirmation.kind), int(UserPrompt::FormatConfirm));
            for (const char *part : {"/dev/fakecard1", "64.0 GB", "vfat", "CARD"})
                QVERIFY2(confirmation.text.contains(QLatin1String(part)), part);
        }
        QCOMPARE(f.prompts.prompts.last().title, QStringLiteral("Insufficient space"));
        QVERIFY(f.window->currentTester() == nullptr);
    }

    void afterFormat_data()
    {
        QTest::addColumn<QString>("lastPrompt");  // empty: none after the confirmation
        QTest::addColumn<QString>("selected");    // the drive selected in the end

        // The row name is the situation that afterFormat() sets up.
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
                                                  << "/media/a/";  // the refresh
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

        // The click has returned with the format under way: the window runs on, locked.
        QVERIFY(f.format->waiting);
        QVERIFY(!f.child<QPushButton>("startButton")->isEnabled());
        QVERIFY(f.child<QPushButton>("stopButton")->isEnabled());
        QVERIFY(!drives->isEnabled());
        QCOMPARE(label->text(), QStringLiteral("Formatting /media/card/ …"));
        if (situation == "stopped while formatting") {
            QTest::qWait(50);
            f.window->refreshDrives();  // as a language switch does; Start stays locked
            QVERIFY(!f.child<QPushButton>("startButton")->isEnabled());
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
        QVERIFY(f.child<QPushButton>("startButton")->isEnabled());
        QVERIFY(!f.child<QPushButton>("stopButton")->isEnabled());
        QVERIFY(drives->isEnabled());
    }

    void confirmDialogClosedIsCancel()
    {
        ModalCloser closer;
        UserPrompt p;
        p.kind = UserPrompt::FormatConfirm;
        p.text = QStringLiteral("/dev/sdz1");
        QCOMPARE(showUserPrompt(nullptr, p), false);
        QCOMPARE(closer.closed, 1);
    }

private:
    void addFile(const QString &path)
    {
        auto *item =
            new QListWidgetItem(QFileInfo(path).fileName(), f.child<QListWidget>("fileList"));
        item->setData(Qt::UserRole, path);
    }

    // A sparse file: several gigabytes take no room.
    QString makeFile(const QString &name, qint64 size)
    {
        QFile file(filesDir->filePath(name));
        return file.open(QIODevice::WriteOnly) && file.resize(size) ? file.fileName() : QString();
    }

    std::unique_ptr<QTemporaryDir> filesDir;
};

QTEST_MAIN(TestWindowStart)
#include "tst_windowstart.moc"
