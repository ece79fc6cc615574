#include "fakemachine.h"
#include "formatconfirmdialog.h"
#include "mainwindow.h"
#include "windowtestkit.h"

#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// What Start refuses, in which order, and the offer to format the card first. Every check
// here ends before an engine starts; the runs themselves are in tst_windowrun.
class TestWindowStart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void refusal_data();
    void refusal();
    void refusalsComeInOrder();
    void formatOutcome_data();
    void formatOutcome();
    void formatFollowsNewRoot();
    void formatLosesDrive();
    void confirmDialog();

private:
    template <typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    void makeWindow(bool fullCap = false);
    void addCard(const std::string &root, qint64 freeBytes, qint64 totalBytes);
    void addFile(const QString &path);
    QString makeFile(const QString &name, qint64 size);
    QStringList titles() const;

    QTemporaryDir settingsDir;
    std::unique_ptr<QTemporaryDir> filesDir;
    std::shared_ptr<FakeDriveTable> table;
    std::shared_ptr<FakeFormatScript> script;
    PromptLog prompts;
    std::unique_ptr<MainWindow> window;
};

void TestWindowStart::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY2(startWindowEnvironment(settingsDir.path(), English), "settings are not redirected");
}

void TestWindowStart::init()
{
    filesDir = std::make_unique<QTemporaryDir>();
    QVERIFY(filesDir->isValid());
    table = std::make_shared<FakeDriveTable>();
    script = std::make_shared<FakeFormatScript>();
    prompts = PromptLog();
}

void TestWindowStart::cleanup()
{
    window.reset();
    QSettings settings;
    settings.remove(QStringLiteral("testSettings"));
    settings.remove(QStringLiteral("verdict"));
}

void TestWindowStart::makeWindow(bool fullCap)
{
    QSettings().setValue(QStringLiteral("verdict/fullCap"), fullCap);
    window = std::make_unique<MainWindow>();
    window->setPromptHandler(prompts.handler());
    window->setDriveService(std::make_unique<FakeDriveService>(table));
    window->setFormatService(std::make_unique<FakeFormatService>(script, table));
    window->show();
}

void TestWindowStart::addCard(const std::string &root, qint64 freeBytes, qint64 totalBytes)
{
    FakeDrive d;
    d.volume = {"CARD", "vfat"};
    d.space = {freeBytes, totalBytes};
    table->drives[root] = d;
}

void TestWindowStart::addFile(const QString &path)
{
    auto *item = new QListWidgetItem(QFileInfo(path).fileName(), child<QListWidget>("fileList"));
    item->setData(Qt::UserRole, path);
}

QString TestWindowStart::makeFile(const QString &name, qint64 size)
{
    const QString path = filesDir->filePath(name);
    QFile file(path);
    // Sparse: a file of several gigabytes takes no room.
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
        return QString();
    return path;
}

QStringList TestWindowStart::titles() const
{
    QStringList out;
    for (const UserPrompt &p : prompts.prompts)
        out << p.title;
    return out;
}

void TestWindowStart::refusal_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    const QString fat32 =
        QString::fromUtf8("Target card ≤32GB uses FAT32 with a 4GB per-file hard limit.\n");
    QTest::newRow("no drive") << "no drive" << int(UserPrompt::Warning)
                              << "No removable drive detected"
                              << "Please insert an memory card / USB drive, click \"Refresh\", "
                                 "then start the test.";
    QTest::newRow("card pulled out")
        << "not removable" << int(UserPrompt::Critical) << "Operation blocked"
        << QString::fromUtf8("Target /media/card/ is not a removable drive — the test is refused "
                             "to protect local data.\n\nPlease insert an memory card / USB drive "
                             "and click \"Refresh\" to re-select.");
    QTest::newRow("mode conflict")
        << "mode conflict" << int(UserPrompt::Warning) << "Mode conflict"
        << "[Fill entire card] only supports [Random data] mode. Switch "
           "test mode, or disable full-capacity mode in the verdict rules.";
    QTest::newRow("no files") << "no files" << int(UserPrompt::Warning) << "Error"
                              << "Please select at least one external file first.";
    QTest::newRow("missing files") << "missing files" << int(UserPrompt::Warning) << "Error"
                                   << "The following files do not exist:\n<dir>/gone1.mp4\n<dir>";
    QTest::newRow("files too small")
        << "files too small" << int(UserPrompt::Warning) << "Error"
        << "Total size of selected files is smaller than the block size; cannot test.";
    QTest::newRow("FAT32 files") << "FAT32 files" << int(UserPrompt::Warning)
                                 << "Card capacity limit"
                                 << fat32
                                        + "Please remove or split source files larger than 3.5GB "
                                          "and retry.";
    QTest::newRow("size below block") << "size below block" << int(UserPrompt::Warning) << "Error"
                                      << "Test size is smaller than block size.";
    QTest::newRow("FAT32 random") << "FAT32 random" << int(UserPrompt::Warning)
                                  << "Card capacity limit"
                                  << fat32 + "Please keep the test size at 3.5GB or below.";
    QTest::newRow("low space")
        << "low space" << int(UserPrompt::Warning) << "Insufficient space"
        << "Selected drive has insufficient free space.\nRequired: 4096 MB\nAvailable: 4095 MB";
}

void TestWindowStart::refusal()
{
    QFETCH(QString, situation);
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);

    const qint64 small = 17179869184;  // 16 GB
    const qint64 big = 68719476736;    // 64 GB
    if (situation != QLatin1String("no drive"))
        addCard("/media/card/", situation == QLatin1String("low space") ? 4294967295 : big,
                situation.startsWith(QLatin1String("FAT32")) ? small : big);
    makeWindow(situation == QLatin1String("mode conflict"));

    if (situation == QLatin1String("not removable"))
        table->drives["/media/card/"].removable = false;
    const bool external =
        situation == QLatin1String("mode conflict") || situation.contains(QLatin1String("files"));
    child<QRadioButton>(external ? "externalFileRadio" : "randomModeRadio")->setChecked(true);
    if (situation == QLatin1String("missing files")) {
        addFile(filesDir->filePath(QStringLiteral("gone1.mp4")));
        addFile(makeFile(QStringLiteral("there.mp4"), 4 * 1048576));
        addFile(filesDir->path());  // a folder is not a file either
        text.replace(QStringLiteral("<dir>"), filesDir->path());
    } else if (situation == QLatin1String("files too small")) {
        addFile(makeFile(QStringLiteral("a.mp4"), 1048575));
        addFile(makeFile(QStringLiteral("b.mp4"), 10));
    } else if (situation == QLatin1String("FAT32 files")) {
        addFile(makeFile(QStringLiteral("small.mp4"), 1048576));
        // One block above 3.5 GiB after rounding down.
        addFile(makeFile(QStringLiteral("big.mp4"), 3758096384 + 1048576 + 5));
    } else if (situation == QLatin1String("size below block")) {
        auto *sizes = child<QComboBox>("testSizeCombo");
        sizes->addItem(QStringLiteral("tiny"), QVariant::fromValue<qint64>(1048575));
        sizes->setCurrentIndex(sizes->count() - 1);
    } else if (situation == QLatin1String("FAT32 random")) {
        child<QComboBox>("testSizeCombo")->setCurrentText(QStringLiteral("5 GB"));
    } else if (situation == QLatin1String("low space")) {
        child<QComboBox>("testSizeCombo")->setCurrentText(QStringLiteral("2 GB"));
        child<QSpinBox>("streamCountSpin")->setValue(2);
    }

    child<QPushButton>("startButton")->click();

    QVERIFY(!prompts.prompts.isEmpty());
    const UserPrompt &last = prompts.prompts.last();
    QCOMPARE(int(last.kind), kind);
    QCOMPARE(last.title, title);
    QCOMPARE(last.text, text);
    // Only the low-space rule comes after the format offer.
    QCOMPARE(prompts.prompts.size(), situation == QLatin1String("low space") ? 2 : 1);
    QVERIFY(window->currentTester() == nullptr);
    QVERIFY(child<QPushButton>("startButton")->isEnabled());
    QVERIFY(!child<QPushButton>("stopButton")->isEnabled());
    QVERIFY(script->calls.isEmpty());
}

void TestWindowStart::refusalsComeInOrder()
{
    // A fill-entire-card test in external-file mode without files on a pulled card: the
    // drive is looked at first, then the mode, then the files.
    addCard("/media/card/", 0, 17179869184);
    makeWindow(true);
    child<QRadioButton>("externalFileRadio")->setChecked(true);
    table->drives["/media/card/"].removable = false;
    child<QPushButton>("startButton")->click();
    table->drives["/media/card/"].removable = true;
    child<QPushButton>("startButton")->click();
    QCOMPARE(titles(), (QStringList{"Operation blocked", "Mode conflict"}));

    // Missing files are named before the size of the others is looked at.
    window.reset();
    prompts.prompts.clear();
    makeWindow(false);
    child<QRadioButton>("externalFileRadio")->setChecked(true);
    addFile(makeFile(QStringLiteral("tiny.mp4"), 3));
    addFile(filesDir->filePath(QStringLiteral("gone.mp4")));
    child<QPushButton>("startButton")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.prompts.first().text.startsWith(QStringLiteral("The following files")));

    QVERIFY(window->currentTester() == nullptr);
}

void TestWindowStart::formatOutcome_data()
{
    QTest::addColumn<bool>("formatAnswer");
    QTest::addColumn<bool>("describable");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("calls");

    const QString formatting = QString::fromUtf8("Formatting /media/card/ …");
    const QStringList both{"describe /media/card/", "format /media/card/"};
    QTest::newRow("No formats nothing")
        << false << true << true << int(platform::FormatResult::Done) << QStringList()
        << QStringList();
    QTest::newRow("done") << true << true << true << int(platform::FormatResult::Done)
                          << QStringList{formatting, "Format complete."} << both;
    QTest::newRow("failed") << true << true << true << int(platform::FormatResult::Failed)
                            << QStringList{formatting,
                                           QString::fromUtf8(
                                               "Format failed. Continuing with test…"),
                                           "mkfs said no"}
                            << both;
    QTest::newRow("confirmation closed")
        << true << true << false << int(platform::FormatResult::Done)
        << QStringList{formatting, QString::fromUtf8("Format cancelled. Continuing with test…")}
        << QStringList{"describe /media/card/"};
    QTest::newRow("authorisation refused")
        << true << true << true << int(platform::FormatResult::Cancelled)
        << QStringList{formatting, QString::fromUtf8("Format cancelled. Continuing with test…")}
        << both;
    QTest::newRow("cannot be described")
        << true << false << true << int(platform::FormatResult::CannotFormat)
        << QStringList{formatting,
                       QString::fromUtf8("This drive cannot be formatted. Continuing with test…"),
                       "mkfs said no"}
        << QStringList{"describe /media/card/"};
}

void TestWindowStart::formatOutcome()
{
    QFETCH(bool, formatAnswer);
    QFETCH(bool, describable);
    QFETCH(bool, confirm);
    QFETCH(int, result);
    QFETCH(QStringList, log);
    QFETCH(QStringList, calls);

    // Too little room: the free-space box shows that the test went on after the offer.
    addCard("/media/card/", 1048576, 68719476736);
    makeWindow();
    script->describable = describable;
    script->result = static_cast<platform::FormatResult>(result);
    script->message = "mkfs said no";
    prompts.answerQuestion = formatAnswer;
    prompts.answerConfirm = confirm;

    LogCapture capture;
    child<QPushButton>("startButton")->click();

    QCOMPARE(capture.messages(), log);
    QCOMPARE(script->calls, calls);
    QVERIFY(prompts.prompts.size() >= 2);
    const UserPrompt &offer = prompts.prompts.first();
    QCOMPARE(int(offer.kind), int(UserPrompt::Question));
    QCOMPARE(offer.title, QStringLiteral("Format before test"));
    QCOMPARE(offer.text, QStringLiteral("Format /media/card/ first?\n\nThis will erase ALL data on "
                                        "the target drive!\nA freshly formatted card yields more "
                                        "consistent, repeatable results."));
    if (calls.contains(QStringLiteral("describe /media/card/")) && describable) {
        const UserPrompt &confirmation = prompts.prompts.at(1);
        QCOMPARE(int(confirmation.kind), int(UserPrompt::FormatConfirm));
        QVERIFY(confirmation.text.contains(QStringLiteral("/dev/fakecard1")));
        QVERIFY(confirmation.text.contains(QStringLiteral("64.0 GB")));
        QVERIFY(confirmation.text.contains(QStringLiteral("vfat")));
    }
    QCOMPARE(prompts.prompts.last().title, QStringLiteral("Insufficient space"));
    QVERIFY(window->currentTester() == nullptr);
}

void TestWindowStart::formatFollowsNewRoot()
{
    addCard("/media/a/", 68719476736, 68719476736);
    addCard("/media/card/", 1048576, 68719476736);
    makeWindow();
    auto *drives = child<QComboBox>("driveCombo");
    drives->setCurrentIndex(drives->findData(QStringLiteral("/media/card/")));
    child<QComboBox>("testSizeCombo")->setCurrentText(QStringLiteral("2 GB"));
    child<QSpinBox>("streamCountSpin")->setValue(1);
    // The card comes back somewhere else, still small on room.
    addCard("/media/card2/", 2097152, 68719476736);
    script->newRoot = "/media/card2/";
    prompts.answerQuestion = true;
    prompts.answerConfirm = true;

    child<QPushButton>("startButton")->click();

    QCOMPARE(drives->currentData().toString(), QStringLiteral("/media/card2/"));
    QCOMPARE(prompts.prompts.last().text,
             QStringLiteral("Selected drive has insufficient free space.\nRequired: 2048 MB\n"
                            "Available: 2 MB"));
}

void TestWindowStart::formatLosesDrive()
{
    addCard("/media/card/", 68719476736, 68719476736);
    makeWindow();
    script->removeDrive = true;
    script->result = platform::FormatResult::Failed;
    prompts.answerQuestion = true;
    prompts.answerConfirm = true;

    child<QPushButton>("startButton")->click();

    QCOMPARE(prompts.prompts.last().title, QStringLiteral("Error"));
    QCOMPARE(prompts.prompts.last().text, QStringLiteral("Cannot access the drive after format."));
    QVERIFY(child<QComboBox>("driveCombo")->currentData().toString().isEmpty());
    QVERIFY(window->currentTester() == nullptr);
}

void TestWindowStart::confirmDialog()
{
    platform::FormatPlan plan;
    plan.devicePath = "/dev/sdz1";
    plan.sizeBytes = 15837691904;
    plan.fileSystem = "exfat";
    plan.label = "DASHCAM";
    const QString text = FormatConfirmDialog::describe(plan);
    for (const char *part : {"/dev/sdz1", "14.8 GB", "exfat", "DASHCAM"})
        QVERIFY2(text.contains(QLatin1String(part)), part);

    // Closing the real dialog is a cancel.
    ModalCloser closer;
    UserPrompt p;
    p.kind = UserPrompt::FormatConfirm;
    p.title = QStringLiteral("t");
    p.text = text;
    QCOMPARE(showUserPrompt(nullptr, p), false);
    QCOMPARE(closer.closed, 1);
}

QTEST_MAIN(TestWindowStart)
#include "tst_windowstart.moc"
