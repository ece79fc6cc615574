#include "verdictrulesstore.h"
#include "windowfixture.h"

#include <QFile>
#include <QRandomGenerator>

#include <limits>

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

QString settingsFile()
{
    return QSettings().fileName();
}

}  // namespace

// What the window takes from the settings store when it is built, what it stores, and the
// external file list.
class TestStoredSettings : public WindowTestCase
{
    Q_OBJECT

private slots:
    void init()
    {
        WindowTestCase::init();
        storeMustStay = false;
    }

    void cleanup()
    {
        f.window.reset();
        if (storeMustStay)
            QCOMPARE(fileBytes(settingsFile()), storeBefore);
    }

    void firstStartWithEmptyStore()
    {
        // Every rule keeps its default; the controls' defaults are checked with the stored
        // test settings below.
        openFromStore();
        const VerdictRules defaults;
        for (const QString &key : VerdictRulesStore::keys())
            QCOMPARE(VerdictRulesStore::field(f.window->verdictRules(), key),
                     VerdictRulesStore::field(defaults, key));
        QVERIFY(!f.child<QCheckBox>("readTestCheck")->isChecked());
        QCOMPARE(f.hiddenColumns(), (QList<int>{10, 11, 12, 13, 14, 15}));
    }

    void storedRuleValue_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("loaded");

        const auto row = [](const char *name, const char *key, const QVariant &stored,
                            const QVariant &loaded) {
            QTest::newRow(name) << key << stored << loaded;
        };
        const QVariant list = QStringList{"x", "y"};
        // Text rows are what a hand-edited file holds. Rounds are held at the ends of their
        // range, not wrapped round into some small count.
        row("250 rounds", "iterCount", 250, 99);
        row("rounds beyond int", "iterCount", "99999999999999", 99);
        row("rounds as a huge double", "iterCount", 1e12, 99);
        row("rounds below int", "iterCount", "-99999999999999", 1);
        row("rounds as a list", "iterCount", list, 1);
        // The per-stream minimums go through their spin boxes: 0..2000, two decimals.
        row("per-stream write 5000", "perStreamWrite", 5000.0, 2000.0);
        row("per-stream write nan", "perStreamWrite", "nan", 0.0);
        row("per-stream write as a list", "perStreamWrite", list, 0.0);
        row("per-stream read huge", "perStreamRead", "1e300", 2000.0);
        row("per-stream read rounded", "perStreamRead", 12.347, 12.35);
        // The other numbers are taken as read; what is no number reads as 0.
        row("ratio nan", "jitterWarn", "nan", 0.0);
        row("ratio NaN double", "cvWarn", std::numeric_limits<double>::quiet_NaN(), 0.0);
        row("ratio as a list", "dropFail", list, 0.0);
        row("huge speed kept", "aggReadWarn", "1e300", 1e300);
        row("switch as a list", "slcTrim", list, false);
        row("read switch as text 1", "enableRead", "1", true);
    }

    void storedRuleValue()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, loaded);

        QSettings().setValue(QStringLiteral("verdict/") + key, stored);
        openFromStore();

        const QVariant value = VerdictRulesStore::field(f.window->verdictRules(), key);
        QCOMPARE(value.type(), loaded.type());
        if (loaded.type() == QVariant::Double)
            QCOMPARE(value.toDouble(), loaded.toDouble());
        else
            QCOMPARE(value, loaded);
        if (key.startsWith("perStream")) {
            const QString spin = key + QStringLiteral("Spin");
            QCOMPARE(f.window->findChild<QDoubleSpinBox *>(spin)->value(), loaded.toDouble());
        }
        if (key == "enableRead") {
            // The switch shows the read box and columns as a click would.
            QVERIFY(f.child<QCheckBox>("readTestCheck")->isChecked());
            QVERIFY(f.child<QGroupBox>("readGroup")->isVisible());
            QCOMPARE(f.hiddenColumns(), QList<int>());
        }
    }

    void garbageFile_data()
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

    void garbageFile()
    {
        QFETCH(QByteArray, bytes);

        QVERIFY(writeFile(settingsFile(), bytes));
        openFromStore();
        // Nothing in the bytes makes a rule or setting that the controls cannot hold.
        const VerdictRules &r = f.window->verdictRules();
        QVERIFY(r.iterCount >= 1 && r.iterCount <= 99);
        QVERIFY(r.perStreamWrite >= 0.0 && r.perStreamWrite <= 2000.0);
        QVERIFY(r.perStreamRead >= 0.0 && r.perStreamRead <= 2000.0);
        QCOMPARE(f.child<QCheckBox>("readTestCheck")->isChecked(), r.enableRead);
        const int streams = f.child<QSpinBox>("streamCountSpin")->value();
        QVERIFY(streams >= 1 && streams <= 16);
    }

    void truncatedFile()
    {
        // A file cut off while it was written: the keys before the cut count, a half-written
        // number converts as far as it goes, the rest keeps its defaults.
        QVERIFY(
            writeFile(settingsFile(), "[verdict]\nenableRead=true\njitterFail=0.7\njitterWarn=0."));
        openFromStore();

        const VerdictRules &r = f.window->verdictRules();
        QCOMPARE(r.enableRead, true);
        QCOMPARE(r.jitterFail, 0.7);
        QCOMPARE(r.jitterWarn, 0.0);
        QCOMPARE(r.cvFail, VerdictRules().cvFail);
        QCOMPARE(r.iterCount, 1);
        QCOMPARE(r.perStreamWrite, 5.0);
        QVERIFY(f.child<QCheckBox>("readTestCheck")->isChecked());
    }

    void storedTestSettings_data()
    {
        QTest::addColumn<QVariantList>("stored");  // mode, size index, streams, block index
        QTest::addColumn<bool>("external");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("streams");
        QTest::addColumn<QString>("block");

        // Values outside the controls' ranges leave the defaults: 2 GB, 2 streams, 1 MB.
        const auto row = [](const char *name, const QVariantList &stored, bool external,
                            const char *size, int streams, const char *block) {
            QTest::newRow(name) << stored << external << size << streams << block;
        };
        const QVariant list = QStringList{"x", "y"};
        row("all valid", {1, 4, 16, 0}, true, "5 GB", 16, "64 KB");
        row("mode 2 is random", {2, 0, 1, 6}, false, "512 MB", 1, "8 MB");
        row("size 12, streams 20", {0, 12, 20, 5}, false, "2 GB", 2, "4 MB");
        row("below every range", {-1, -1, 0, -2}, false, "2 GB", 2, "1 MB");
        row("block beyond the list", {1, 9, 3, 7}, true, "30 GB", 3, "1 MB");
        row("huge numbers", {"1e99", "4294967296", "99999999999", 2147483647}, false, "2 GB", 2,
            "1 MB");
        row("text as numbers", {" 1", "3", "5", "two"}, true, "3 GB", 5, "64 KB");
        // A list reads as 0: random mode; index 0 is a real item, a stream count of 0 is not.
        row("lists", {list, list, list, list}, false, "512 MB", 2, "64 KB");
    }

    void storedTestSettings()
    {
        QFETCH(QVariantList, stored);
        QFETCH(bool, external);
        QFETCH(QString, size);
        QFETCH(int, streams);
        QFETCH(QString, block);

        QSettings settings;
        const char *keys[] = {"testMode", "testSizeIndex", "streamCount", "blockIndex"};
        for (int i = 0; i < 4; ++i)
            settings.setValue(QStringLiteral("testSettings/") + keys[i], stored[i]);
        settings.sync();
        openFromStore();

        QCOMPARE(f.child<QRadioButton>("externalFileRadio")->isChecked(), external);
        QCOMPARE(f.child<QRadioButton>("randomModeRadio")->isChecked(), !external);
        // The mode shows its own rows.
        QCOMPARE(f.child<QListWidget>("fileList")->isVisible(), external);
        QCOMPARE(f.child<QComboBox>("testSizeCombo")->isVisible(), !external);
        QCOMPARE(f.child<QComboBox>("testSizeCombo")->currentText(), size);
        QCOMPARE(f.child<QSpinBox>("streamCountSpin")->value(), streams);
        QCOMPARE(f.child<QComboBox>("blockSizeCombo")->currentText(), block);
    }

    void changeStoresAllFour()
    {
        QVERIFY(!QSettings().childGroups().contains(QStringLiteral("testSettings")));
        // Whichever control changed, all four values are written.
        f.child<QSpinBox>("streamCountSpin")->setValue(7);
        const QVariantMap expected{
            {"testMode", 0}, {"testSizeIndex", 2}, {"streamCount", 7}, {"blockIndex", 4}};
        QCOMPARE(WindowFixture::storedGroup(QStringLiteral("testSettings")), expected);
        f.child<QRadioButton>("externalFileRadio")->click();
        f.child<QComboBox>("blockSizeCombo")->setCurrentIndex(1);
        QCOMPARE(QSettings().value(QStringLiteral("testSettings/testMode")), QVariant(1));
        QCOMPARE(QSettings().value(QStringLiteral("testSettings/blockIndex")), QVariant(1));

        // And a new window comes back to them.
        f.open();
        QVERIFY(f.child<QRadioButton>("externalFileRadio")->isChecked());
        QCOMPARE(f.child<QSpinBox>("streamCountSpin")->value(), 7);
        QCOMPARE(f.child<QComboBox>("blockSizeCombo")->currentIndex(), 1);
    }

    void browseAddsFiles()
    {
        const QString a = filesDir.filePath(QStringLiteral("a.mp4"));
        const QString b = filesDir.filePath(QStringLiteral("b clip.mp4"));
        QVERIFY(writeFile(a, QByteArray(1048576, 'a')));
        QVERIFY(writeFile(b, QByteArray(524288, 'b')));
        auto *list = f.child<QListWidget>("fileList");
        auto *summary = f.child<QLabel>("fileSummaryLabel");
        const auto pick = [this](const QStringList &answer) {
            f.pickerAnswer = answer;
            f.window->browseSourceFiles();
        };

        // A missing file and a folder are dropped, and the summary says nothing was selected.
        pick({filesDir.filePath(QStringLiteral("gone.mp4")), filesDir.path()});
        QCOMPARE(f.pickerCalls,
                 QStringList{"window|Select test files (multi-select)|All files (*.*)"});
        QCOMPARE(list->count(), 0);
        QCOMPARE(summary->text(), QStringLiteral("No files selected"));

        // The same file twice in one pick is listed once, by name, with its full path.
        pick({a, a});
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("a.mp4"));
        QCOMPARE(list->item(0)->data(Qt::UserRole).toString(), a);
        QCOMPARE(list->item(0)->toolTip(), a);
        QCOMPARE(summary->text(), QStringLiteral("Selected: 1 files, 1.0 MB total"));

        // Again in a second pick, with a new one: the first stays, the summary covers both; a
        // cancelled pick changes nothing.
        pick({b, a});
        pick({});
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QStringLiteral("b clip.mp4"));
        QCOMPARE(summary->text(), QStringLiteral("Selected: 2 files, 1.5 MB total"));

        // A listed file that went away stays listed and counts 0 bytes in the next summary.
        QVERIFY(QFile::remove(b));
        pick({a});
        QCOMPARE(list->count(), 2);
        QCOMPARE(summary->text(), QStringLiteral("Selected: 2 files, 1.0 MB total"));
    }

    void clearEmptiesListAndResults()
    {
        const QString a = filesDir.filePath(QStringLiteral("clear.bin"));
        QVERIFY(writeFile(a, QByteArray(4096, 'c')));
        f.pickerAnswer = QStringList{a};
        f.window->browseSourceFiles();
        QCOMPARE(f.child<QListWidget>("fileList")->count(), 1);
        // A finished one-stream write pass fills the card-total row.
        f.replay(randomStreams(1));
        f.writePass(30.0, {});
        QCOMPARE(f.cell(0, 4), QStringLiteral("30.00"));

        f.click("clearFilesButton");
        QCOMPARE(f.child<QListWidget>("fileList")->count(), 0);
        QCOMPARE(f.child<QLabel>("fileSummaryLabel")->text(), QStringLiteral("No files selected"));
        QCOMPARE(f.child<QTableWidget>("resultsTable")->rowCount(), 0);
    }

private:
    // Builds a window from the store as it is now; cleanup() then checks that loading wrote
    // nothing back.
    void openFromStore()
    {
        storeBefore = fileBytes(settingsFile());
        storeMustStay = true;
        f.open();
    }

    QTemporaryDir filesDir;
    QByteArray storeBefore;
    bool storeMustStay = false;
};

QTEST_MAIN(TestStoredSettings)
#include "tst_storedsettings.moc"
