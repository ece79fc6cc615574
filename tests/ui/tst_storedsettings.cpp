#include "filepicker.h"
#include "mainwindow.h"
#include "verdictrulesstore.h"
#include "windowtestkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

}  // namespace

// What the window takes from the settings store when it is built, what it stores, and the
// external file list.
class TestStoredSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartWithEmptyStore();
    void storedRuleValue_data();
    void storedRuleValue();
    void everyKeyOfWrongType();
    void garbageFile_data();
    void garbageFile();
    void truncatedFile();

    void storedTestSettings_data();
    void storedTestSettings();
    void changeStoresAllFour();

    void pickTwiceListsOnce();
    void pickNothingKeepsList();
    void clearEmptiesListAndResults();

private:
    template <typename W>
    W *child(const char *name) const
    {
        return window->findChild<W *>(QString::fromLatin1(name));
    }
    QString settingsFile() const { return QSettings().fileName(); }
    // Empties the store but keeps the chosen language, as a real store would have it.
    void emptyStore();
    void newWindow() { window = std::make_unique<MainWindow>(); }

    QTemporaryDir settingsDir;
    QTemporaryDir filesDir;
    std::unique_ptr<MainWindow> window;
    QStringList pickerAnswer;
    QStringList pickerCalls;
};

void TestStoredSettings::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY(filesDir.isValid());
    QVERIFY2(startWindowEnvironment(settingsDir.path(), English), "settings are not redirected");
    FilePicker::setPicker([this](QWidget *parent, const QString &caption, const QString &filter) {
        pickerCalls << QStringLiteral("%1|%2|%3")
                           .arg(parent == window.get() ? QStringLiteral("window")
                                                       : QStringLiteral("other"),
                                caption, filter);
        return pickerAnswer;
    });
}

void TestStoredSettings::init()
{
    emptyStore();
    pickerAnswer.clear();
    pickerCalls.clear();
}

void TestStoredSettings::cleanup()
{
    window.reset();
}

void TestStoredSettings::emptyStore()
{
    QSettings settings;
    settings.clear();
    settings.setValue(QStringLiteral("ui/language"), int(English));
}

void TestStoredSettings::firstStartWithEmptyStore()
{
    const QByteArray before = fileBytes(settingsFile());
    newWindow();

    const VerdictRules defaults;
    const VerdictRules &r = window->verdictRules();
    for (const QString &key : VerdictRulesStore::keys())
        QCOMPARE(VerdictRulesStore::field(r, key), VerdictRulesStore::field(defaults, key));
    QVERIFY(!child<QCheckBox>("readTestCheck")->isChecked());
    auto *table = child<QTableWidget>("resultsTable");
    for (int column = 10; column <= 15; ++column)
        QVERIFY(table->isColumnHidden(column));

    QVERIFY(child<QRadioButton>("randomModeRadio")->isChecked());
    QCOMPARE(child<QComboBox>("testSizeCombo")->currentText(), QStringLiteral("2 GB"));
    QCOMPARE(child<QSpinBox>("streamCountSpin")->value(), 2);
    QCOMPARE(child<QComboBox>("blockSizeCombo")->currentText(), QStringLiteral("1 MB"));

    // Building the window stored nothing.
    window.reset();
    QCOMPARE(fileBytes(settingsFile()), before);
}

void TestStoredSettings::storedRuleValue_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("loaded");

    // Text rows are what a hand-edited file holds.
    QTest::newRow("250 rounds") << "iterCount" << QVariant(250) << QVariant(99);
    QTest::newRow("-3 rounds") << "iterCount" << QVariant(-3) << QVariant(1);
    QTest::newRow("rounds in words") << "iterCount" << QVariant("lots") << QVariant(1);
    // Held at the end of the int range, not wrapped round into some small count.
    QTest::newRow("rounds beyond int") << "iterCount" << QVariant("99999999999999") << QVariant(99);
    QTest::newRow("rounds as a huge double") << "iterCount" << QVariant(1e12) << QVariant(99);
    QTest::newRow("rounds below int") << "iterCount" << QVariant("-99999999999999") << QVariant(1);
    QTest::newRow("per-stream write 5000")
        << "perStreamWrite" << QVariant(5000.0) << QVariant(2000.0);
    QTest::newRow("per-stream write nan") << "perStreamWrite" << QVariant("nan") << QVariant(0.0);
    QTest::newRow("per-stream read huge")
        << "perStreamRead" << QVariant("1e300") << QVariant(2000.0);
    QTest::newRow("ratio nan") << "jitterWarn" << QVariant("nan") << QVariant(0.0);
    QTest::newRow("ratio NaN double")
        << "cvWarn" << QVariant(std::numeric_limits<double>::quiet_NaN()) << QVariant(0.0);
    QTest::newRow("ratio in words") << "dropFail" << QVariant("high") << QVariant(0.0);
    QTest::newRow("huge speed kept") << "aggReadWarn" << QVariant("1e300") << QVariant(1e300);
    QTest::newRow("switch as list")
        << "slcTrim" << QVariant(QStringList{"a", "b"}) << QVariant(false);
    QTest::newRow("read switch as text 1") << "enableRead" << QVariant("1") << QVariant(true);
}

void TestStoredSettings::storedRuleValue()
{
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, loaded);

    QSettings().setValue(QStringLiteral("verdict/") + key, stored);
    const QByteArray before = fileBytes(settingsFile());
    newWindow();

    const QVariant value = VerdictRulesStore::field(window->verdictRules(), key);
    QCOMPARE(value.type(), loaded.type());
    if (loaded.type() == QVariant::Double)
        QCOMPARE(value.toDouble(), loaded.toDouble());
    else
        QCOMPARE(value, loaded);
    if (key == QLatin1String("enableRead"))
        QCOMPARE(child<QCheckBox>("readTestCheck")->isChecked(), loaded.toBool());
    if (key.startsWith(QLatin1String("perStream")))
        QCOMPARE(child<QDoubleSpinBox>(key == QLatin1String("perStreamWrite") ? "perStreamWriteSpin"
                                                                              : "perStreamReadSpin")
                     ->value(),
                 loaded.toDouble());
    window.reset();
    QCOMPARE(fileBytes(settingsFile()), before);
}

void TestStoredSettings::everyKeyOfWrongType()
{
    {
        QSettings settings;
        for (const QString &key : VerdictRulesStore::keys())
            settings.setValue(QStringLiteral("verdict/") + key, QStringList{"x", "y"});
        for (const char *key : {"testMode", "testSizeIndex", "streamCount", "blockIndex"})
            settings.setValue(QStringLiteral("testSettings/") + QLatin1String(key),
                              QStringList{"x", "y"});
    }
    const QByteArray before = fileBytes(settingsFile());
    newWindow();

    const VerdictRules &r = window->verdictRules();
    QCOMPARE(r.enableRead, false);
    QCOMPARE(r.slcTrim, false);
    QCOMPARE(r.fullCap, false);
    QCOMPARE(r.iterCount, 1);
    for (double value : {r.jitterFail, r.jitterWarn, r.cvFail, r.cvWarn, r.dropFail, r.dropWarn,
                         r.minSpeedMult, r.aggWriteFail, r.aggWriteWarn, r.aggReadFail,
                         r.aggReadWarn, r.perStreamWrite, r.perStreamRead})
        QCOMPARE(value, 0.0);
    // A list reads as 0: random mode; index 0 is a real item, a stream count of 0 is not.
    QVERIFY(child<QRadioButton>("randomModeRadio")->isChecked());
    QCOMPARE(child<QComboBox>("testSizeCombo")->currentIndex(), 0);
    QCOMPARE(child<QSpinBox>("streamCountSpin")->value(), 2);
    QCOMPARE(child<QComboBox>("blockSizeCombo")->currentIndex(), 0);

    window.reset();
    QCOMPARE(fileBytes(settingsFile()), before);
}

void TestStoredSettings::garbageFile_data()
{
    QTest::addColumn<QByteArray>("bytes");

    for (quint32 seed : {1u, 7u, 2026u}) {
        QRandomGenerator random(seed);
        QByteArray bytes(4096, '\0');
        for (char &c : bytes)
            c = char(random.bounded(256));
        QTest::newRow(qPrintable(QStringLiteral("random bytes, seed %1").arg(seed))) << bytes;
    }
    // Group headers that lead nowhere, broken escapes and a value with no end.
    QTest::newRow("broken lines") << QByteArray(
        "[verdict\n=\n\\\nenableRead\n[testSettings]]\nstreamCount=@Variant(\\0\\0"
        "\n[verdict]\niterCount=@ByteArray(\n");
}

void TestStoredSettings::garbageFile()
{
    QFETCH(QByteArray, bytes);

    QVERIFY(writeFile(settingsFile(), bytes));
    newWindow();
    // Nothing in the bytes makes a rule or setting that the controls cannot hold.
    const VerdictRules &r = window->verdictRules();
    QVERIFY(r.iterCount >= 1 && r.iterCount <= 99);
    QVERIFY(r.perStreamWrite >= 0.0 && r.perStreamWrite <= 2000.0);
    QVERIFY(r.perStreamRead >= 0.0 && r.perStreamRead <= 2000.0);
    QCOMPARE(child<QCheckBox>("readTestCheck")->isChecked(), r.enableRead);
    const int streams = child<QSpinBox>("streamCountSpin")->value();
    QVERIFY(streams >= 1 && streams <= 16);
    window.reset();
    QCOMPARE(fileBytes(settingsFile()), bytes);
}

void TestStoredSettings::truncatedFile()
{
    // A file cut off while it was written: the keys before the cut count, a half-written
    // number converts as far as it goes, the rest keeps its defaults.
    const QByteArray bytes("[verdict]\nenableRead=true\njitterFail=0.7\njitterWarn=0.");
    QVERIFY(writeFile(settingsFile(), bytes));
    newWindow();

    const VerdictRules &r = window->verdictRules();
    QCOMPARE(r.enableRead, true);
    QCOMPARE(r.jitterFail, 0.7);
    QCOMPARE(r.jitterWarn, 0.0);
    QCOMPARE(r.cvFail, VerdictRules().cvFail);
    QCOMPARE(r.iterCount, 1);
    QCOMPARE(r.perStreamWrite, 5.0);
    QVERIFY(child<QCheckBox>("readTestCheck")->isChecked());
    window.reset();
    QCOMPARE(fileBytes(settingsFile()), bytes);
}

void TestStoredSettings::storedTestSettings_data()
{
    QTest::addColumn<QVariant>("mode");
    QTest::addColumn<QVariant>("sizeIndex");
    QTest::addColumn<QVariant>("streams");
    QTest::addColumn<QVariant>("blockIndex");
    QTest::addColumn<bool>("external");
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<int>("streamCount");
    QTest::addColumn<QString>("blockText");

    QTest::newRow("all valid") << QVariant(1) << QVariant(4) << QVariant(16) << QVariant(0) << true
                               << "5 GB" << 16 << "64 KB";
    QTest::newRow("mode 2 is random") << QVariant(2) << QVariant(0) << QVariant(1) << QVariant(6)
                                      << false << "512 MB" << 1 << "8 MB";
    QTest::newRow("size 12, streams 20") << QVariant(0) << QVariant(12) << QVariant(20)
                                         << QVariant(5) << false << "2 GB" << 2 << "4 MB";
    QTest::newRow("below every range") << QVariant(-1) << QVariant(-1) << QVariant(0)
                                       << QVariant(-2) << false << "2 GB" << 2 << "1 MB";
    QTest::newRow("block beyond the list") << QVariant(1) << QVariant(9) << QVariant(3)
                                           << QVariant(7) << true << "30 GB" << 3 << "1 MB";
    QTest::newRow("huge numbers") << QVariant("1e99") << QVariant("4294967296")
                                  << QVariant("99999999999") << QVariant(2147483647) << false
                                  << "2 GB" << 2 << "1 MB";
    QTest::newRow("text as numbers") << QVariant(" 1") << QVariant("3") << QVariant("5")
                                     << QVariant("two") << true << "3 GB" << 5 << "64 KB";
}

void TestStoredSettings::storedTestSettings()
{
    QFETCH(QVariant, mode);
    QFETCH(QVariant, sizeIndex);
    QFETCH(QVariant, streams);
    QFETCH(QVariant, blockIndex);
    QFETCH(bool, external);
    QFETCH(QString, sizeText);
    QFETCH(int, streamCount);
    QFETCH(QString, blockText);

    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("testSettings"));
        settings.setValue(QStringLiteral("testMode"), mode);
        settings.setValue(QStringLiteral("testSizeIndex"), sizeIndex);
        settings.setValue(QStringLiteral("streamCount"), streams);
        settings.setValue(QStringLiteral("blockIndex"), blockIndex);
    }
    const QByteArray before = fileBytes(settingsFile());
    newWindow();

    QCOMPARE(child<QRadioButton>("externalFileRadio")->isChecked(), external);
    QCOMPARE(child<QRadioButton>("randomModeRadio")->isChecked(), !external);
    // The mode shows its own rows.
    QCOMPARE(child<QListWidget>("fileList")->isVisibleTo(window.get()), external);
    QCOMPARE(child<QComboBox>("testSizeCombo")->isVisibleTo(window.get()), !external);
    QCOMPARE(child<QComboBox>("testSizeCombo")->currentText(), sizeText);
    QCOMPARE(child<QSpinBox>("streamCountSpin")->value(), streamCount);
    QCOMPARE(child<QComboBox>("blockSizeCombo")->currentText(), blockText);
    window.reset();
    QCOMPARE(fileBytes(settingsFile()), before);
}

void TestStoredSettings::changeStoresAllFour()
{
    newWindow();
    QVERIFY(!QSettings().childGroups().contains(QStringLiteral("testSettings")));

    child<QSpinBox>("streamCountSpin")->setValue(7);
    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("testSettings"));
        QCOMPARE(settings.childKeys().size(), 4);
        QCOMPARE(settings.value(QStringLiteral("testMode")), QVariant(0));
        QCOMPARE(settings.value(QStringLiteral("testSizeIndex")), QVariant(2));
        QCOMPARE(settings.value(QStringLiteral("streamCount")), QVariant(7));
        QCOMPARE(settings.value(QStringLiteral("blockIndex")), QVariant(4));
    }
    child<QRadioButton>("externalFileRadio")->click();
    child<QComboBox>("blockSizeCombo")->setCurrentIndex(1);
    QCOMPARE(QSettings().value(QStringLiteral("testSettings/testMode")), QVariant(1));
    QCOMPARE(QSettings().value(QStringLiteral("testSettings/blockIndex")), QVariant(1));

    // And a new window comes back to them.
    newWindow();
    QVERIFY(child<QRadioButton>("externalFileRadio")->isChecked());
    QCOMPARE(child<QSpinBox>("streamCountSpin")->value(), 7);
    QCOMPARE(child<QComboBox>("blockSizeCombo")->currentIndex(), 1);
}

void TestStoredSettings::pickTwiceListsOnce()
{
    const QString a = filesDir.filePath(QStringLiteral("a.mp4"));
    const QString b = filesDir.filePath(QStringLiteral("b clip.mp4"));
    const QString missing = filesDir.filePath(QStringLiteral("gone.mp4"));
    QVERIFY(writeFile(a, QByteArray(1048576, 'a')));
    QVERIFY(writeFile(b, QByteArray(524288, 'b')));
    newWindow();
    auto *list = child<QListWidget>("fileList");
    auto *summary = child<QLabel>("fileSummaryLabel");

    // Twice in one pick, with a missing file and a folder that are dropped.
    pickerAnswer = QStringList{a, a, missing, filesDir.path()};
    window->browseSourceFiles();
    QCOMPARE(pickerCalls, QStringList{"window|Select test files (multi-select)|All files (*.*)"});
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("a.mp4"));
    QCOMPARE(list->item(0)->data(Qt::UserRole).toString(), a);
    QCOMPARE(list->item(0)->toolTip(), a);
    QCOMPARE(summary->text(), QStringLiteral("Selected: 1 files, 1.0 MB total"));

    // Again in a second pick, with a new one: the first stays, the summary covers both.
    pickerAnswer = QStringList{b, a};
    window->browseSourceFiles();
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(1)->text(), QStringLiteral("b clip.mp4"));
    QCOMPARE(list->item(1)->data(Qt::UserRole).toString(), b);
    QCOMPARE(summary->text(), QStringLiteral("Selected: 2 files, 1.5 MB total"));

    // A listed file that went away counts 0 bytes in the next summary, but stays listed.
    QVERIFY(QFile::remove(b));
    pickerAnswer = QStringList{a};
    window->browseSourceFiles();
    QCOMPARE(list->count(), 2);
    QCOMPARE(summary->text(), QStringLiteral("Selected: 2 files, 1.0 MB total"));
}

void TestStoredSettings::pickNothingKeepsList()
{
    const QString a = filesDir.filePath(QStringLiteral("keep.bin"));
    QVERIFY(writeFile(a, QByteArray(3 * 1048576 / 2 + 1, 'k')));
    newWindow();
    auto *summary = child<QLabel>("fileSummaryLabel");
    QCOMPARE(summary->text(), QStringLiteral("No files selected"));

    // Only files that cannot be listed: the summary says so.
    pickerAnswer = QStringList{filesDir.filePath(QStringLiteral("nothing-here"))};
    window->browseSourceFiles();
    QCOMPARE(child<QListWidget>("fileList")->count(), 0);
    QCOMPARE(summary->text(), QStringLiteral("No files selected"));

    pickerAnswer = QStringList{a};
    window->browseSourceFiles();
    QCOMPARE(summary->text(), QStringLiteral("Selected: 1 files, 1.5 MB total"));
    // A cancelled picker.
    pickerAnswer.clear();
    window->browseSourceFiles();
    QCOMPARE(pickerCalls.size(), 3);
    QCOMPARE(child<QListWidget>("fileList")->count(), 1);
    QCOMPARE(summary->text(), QStringLiteral("Selected: 1 files, 1.5 MB total"));
}

void TestStoredSettings::clearEmptiesListAndResults()
{
    const QString a = filesDir.filePath(QStringLiteral("clear.bin"));
    QVERIFY(writeFile(a, QByteArray(4096, 'c')));
    newWindow();
    pickerAnswer = QStringList{a};
    window->browseSourceFiles();
    QCOMPARE(child<QListWidget>("fileList")->count(), 1);

    // A finished one-stream write pass fills the card-total row.
    window->prepareResults(randomStreams(1));
    for (int k = 0; k < 20; ++k)
        window->onWriteProgress(k * 5, 30.0, 30.0);
    window->onWriteProgress(100, 30.0, 30.0);
    window->onWriteFinished(30.0);
    auto *table = child<QTableWidget>("resultsTable");
    QVERIFY(table->rowCount() > 0);

    child<QPushButton>("clearFilesButton")->click();
    QCOMPARE(child<QListWidget>("fileList")->count(), 0);
    QCOMPARE(child<QLabel>("fileSummaryLabel")->text(), QStringLiteral("No files selected"));
    QCOMPARE(table->rowCount(), 0);
}

QTEST_MAIN(TestStoredSettings)
#include "tst_storedsettings.moc"
