// The real window on cards that fail under it: an I/O error while writing or reading back, and
// a card pulled out during the write. Whatever the failure, the user hears of it once, the window
// is idle again with its settings as before, the engine's thread has ended, the test files that can
// still be deleted are gone and nothing off the card was touched.
#include "faultmount.h"
#include "speedtester.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr int kRunTimeoutMs = 60000;
constexpr int kStopTimeoutMs = 10000;
// A real message box stays open for a while; the held one gives up after this.
constexpr int kHeldBoxMs = 15000;

const QString kHelper = QStringLiteral(LUMORA_FAULTFS_PATH);

// Locked while a test runs, so they must be as they were once it has ended.
const char *const kSettingsControls[] = {
    "driveCombo",    "refreshButton",    "randomModeRadio", "externalFileRadio",
    "testSizeCombo", "streamCountSpin",  "blockSizeCombo",  "fileList",
    "browseButton",  "clearFilesButton", "readTestCheck",   "verdictRulesButton"};

enum class Fault { WriteError, ReadError, Vanish };

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                | QDir::System);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

class ProofWindowFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void faultyCard_data();
    void faultyCard();

private:
    template <typename T>
    T *child(const char *name) const
    {
        return f.child<T>(name);
    }
    void openOnCard(const QString &root, int rounds, bool read);
    void useSize(qint64 bytes, int streams);
    QMap<QString, bool> settingsEnabled() const;
    bool waitForIdle();
    void verifyOneErrorAndIdle(const QMap<QString, bool> &settingsBefore);

    WindowFixture f;
    bool holdErrorBox = false;
};

void ProofWindowFaultsTest::initTestCase()
{
    QVERIFY2(f.start(), "settings are not redirected");
}

void ProofWindowFaultsTest::init()
{
    f.reset();
}

void ProofWindowFaultsTest::cleanup()
{
    f.reset();
    holdErrorBox = false;
}

// A FUSE mount is no block device: the window's own drive service would not list it, so the
// card is on the fixture's fake machine.
void ProofWindowFaultsTest::openOnCard(const QString &root, int rounds, bool read)
{
    QSettings().setValue(QStringLiteral("verdict/iterCount"), rounds);
    QSettings().setValue(QStringLiteral("verdict/enableRead"), read);
    f.addCard(root.toStdString(), 64 * 1024 * kMiB, 64 * 1024 * kMiB);
    MainWindow &window = f.open();
    // Held open, the error box lets events run as a modal box does, the end of the engine
    // thread among them.
    window.setPromptHandler([this, answer = f.prompts.handler()](QWidget *parent,
                                                                 const UserPrompt &p) {
        const bool result = answer(parent, p);
        if (p.kind == UserPrompt::RunError && holdErrorBox) {
            QElapsedTimer open;
            open.start();
            while (!child<QPushButton>("startButton")->isEnabled() && open.elapsed() < kHeldBoxMs)
                QTest::qWait(10);
        }
        return result;
    });
}

// The standard sizes start at 512 MB; a small test keeps every case to a few seconds.
void ProofWindowFaultsTest::useSize(qint64 bytes, int streams)
{
    auto *sizes = child<QComboBox>("testSizeCombo");
    sizes->addItem(QStringLiteral("test"), QVariant::fromValue<qint64>(bytes));
    sizes->setCurrentIndex(sizes->count() - 1);
    child<QSpinBox>("streamCountSpin")->setValue(streams);
}

QMap<QString, bool> ProofWindowFaultsTest::settingsEnabled() const
{
    QMap<QString, bool> enabled;
    for (const char *name : kSettingsControls) {
        const QWidget *control = child<QWidget>(name);
        enabled.insert(QString::fromLatin1(name), control && control->isEnabled());
    }
    return enabled;
}

// Waits for Start to come back. A run that does not end is stopped; if even that does not
// end it, the window is let go instead of destroyed (its destructor would wait for the engine
// forever), so the test fails rather than hangs.
bool ProofWindowFaultsTest::waitForIdle()
{
    auto *start = child<QPushButton>("startButton");
    QElapsedTimer waited;
    waited.start();
    while (!start->isEnabled() && waited.elapsed() < kRunTimeoutMs)
        QTest::qWait(20);
    if (start->isEnabled())
        return true;
    f.window->stopTest();
    waited.restart();
    while (!f.window->currentTester()->isFinished() && waited.elapsed() < kStopTimeoutMs)
        QTest::qWait(20);
    if (!f.window->currentTester()->isFinished())
        (void)f.window.release();
    return false;
}

void ProofWindowFaultsTest::verifyOneErrorAndIdle(const QMap<QString, bool> &settingsBefore)
{
    // A late second error would arrive now.
    QTest::qWait(200);

    QVector<UserPrompt> errors;
    for (const UserPrompt &p : f.prompts.prompts) {
        if (p.kind == UserPrompt::RunError)
            errors.append(p);
        else
            QCOMPARE(int(p.kind), int(UserPrompt::Question));  // only the format offer besides
    }
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.first().title, QStringLiteral("Test error"));
    QVERIFY(!errors.first().text.trimmed().isEmpty());
    const QStringList errorLines =
        LogCapture::messages().filter(QRegularExpression(QStringLiteral("^Error: ")));
    QCOMPARE(errorLines, QStringList{QStringLiteral("Error: ") + errors.first().text});
    QVERIFY(
        !LogCapture::messages().contains(QStringLiteral("========== Test complete ==========")));
    // The failing round is the last one.
    QCOMPARE(LogCapture::messages().filter(QStringLiteral("Starting round")), QStringList());

    QVERIFY(f.window->currentTester()->isFinished());
    QVERIFY(child<QPushButton>("startButton")->isEnabled());
    QVERIFY(!child<QPushButton>("stopButton")->isEnabled());
    QCOMPARE(settingsEnabled(), settingsBefore);
}

void ProofWindowFaultsTest::faultyCard_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("streams");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<bool>("holdBox");
    const int write = int(Fault::WriteError);
    const int read = int(Fault::ReadError);
    const int vanish = int(Fault::Vanish);
    QTest::newRow("write fails, 2 streams of 3 rounds") << write << 2 << 3 << false;
    QTest::newRow("read-back fails, box open, 2 rounds") << read << 1 << 2 << true;
    QTest::newRow("card pulled, 2 streams, box open") << vanish << 2 << 1 << true;
}

void ProofWindowFaultsTest::faultyCard()
{
    QFETCH(int, fault);
    QFETCH(int, streams);
    QFETCH(int, rounds);
    QFETCH(bool, holdBox);
    const QString problem = FaultMount::environmentProblem(kHelper);
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));

    // Half of what the failing pass moves gets through. A pulled card gets far more than is
    // written before the first progress report pulls it.
    const bool pulled = Fault(fault) == Fault::Vanish;
    const qint64 perStream = pulled ? 1024 * kMiB : 16 * kMiB;
    QStringList options;
    if (Fault(fault) == Fault::WriteError)
        options << QStringLiteral("--fail-write-after") << QString::number(streams * perStream / 2);
    if (Fault(fault) == Fault::ReadError)
        options << QStringLiteral("--fail-read-after") << QString::number(streams * perStream / 2);
    FaultMount card(kHelper, options);
    QVERIFY2(card.isMounted(), qPrintable(card.failure()));
    // A user's file on the card, written beside the mount so it counts for no fault.
    const QByteArray photo(300 * 1024, 'p');
    QVERIFY(writeFile(card.backingPath() + QStringLiteral("/holiday.jpg"), photo));
    QVERIFY(writeFile(card.outsidePath() + QStringLiteral("/keep.txt"), "keep"));

    holdErrorBox = holdBox;
    openOnCard(card.rootPath(), rounds, Fault(fault) == Fault::ReadError);
    QCOMPARE(child<QComboBox>("driveCombo")->currentData().toString(), card.rootPath());
    useSize(perStream, streams);
    const QMap<QString, bool> settingsBefore = settingsEnabled();

    auto capture = std::make_unique<LogCapture>();
    child<QPushButton>("startButton")->click();
    QVERIFY2(f.window->currentTester() != nullptr, "the test did not start");
    QVERIFY(!child<QPushButton>("startButton")->isEnabled());
    bool vanished = false;
    int pulledAtPercent = -1;
    QMetaObject::Connection puller;
    if (pulled) {
        // Pulled as soon as the window shows the write going.
        puller = connect(f.window->currentTester(), &SpeedTester::writeProgress, f.window.get(),
                         [&](int percent, double, double) {
                             if (!vanished) {
                                 vanished = card.vanish();
                                 pulledAtPercent = percent;
                             }
                         });
    }
    const bool ended = waitForIdle();
    disconnect(puller);
    holdErrorBox = false;
    QVERIFY2(ended, "the window did not return to idle after the fault");
    verifyOneErrorAndIdle(settingsBefore);
    if (QTest::currentTestFailed())
        return;
    const QStringList messages = LogCapture::messages();
    capture.reset();
    qInfo("error: %s", qPrintable(f.prompts.prompts.last().text));

    const bool wroteAll = messages.filter(QStringLiteral("Write complete.")).size() == 1;
    QCOMPARE(wroteAll, Fault(fault) == Fault::ReadError);
    QVERIFY(messages.filter(QStringLiteral("Read complete.")).isEmpty());

    // What can still be deleted is gone; a pulled card keeps only the engine's own files.
    QStringList left = entries(card.backingPath());
    QVERIFY(left.removeOne(QStringLiteral("holiday.jpg")));
    if (pulled) {
        QVERIFY2(vanished, "the card was not pulled");
        qInfo("pulled at %d %% of the write", pulledAtPercent);
        QVERIFY2(pulledAtPercent < 100, "the card was pulled after the write");
        QVERIFY(left.size() <= streams);
        for (const QString &name : left)
            QVERIFY2(name.startsWith(QLatin1String("__card_speed_test_")), qPrintable(name));
    } else {
        QCOMPARE(left, QStringList());
    }
    QCOMPARE(readFile(card.backingPath() + QStringLiteral("/holiday.jpg")), photo);
    QCOMPARE(entries(card.outsidePath()), QStringList{QStringLiteral("keep.txt")});
    QCOMPARE(readFile(card.outsidePath() + QStringLiteral("/keep.txt")), QByteArray("keep"));
}

QTEST_MAIN(ProofWindowFaultsTest)
#include "tst_proof_windowfaults.moc"
