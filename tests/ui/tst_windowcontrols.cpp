#include "resultcolumns.h"
#include "verdictrulesstore.h"
#include "windowfixture.h"

#include <QAction>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>

namespace {
QByteArray storeBytes()
{
    QFile file(QSettings().fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

// The window's own controls and what it keeps of them: texts that follow the language, the
// language menu, the total size, the read-test switch, the file list, the stored test
// settings and rules, and the application icon.
class TestWindowControls : public WindowTestCase
{
    Q_OBJECT

private slots:
    // No named button of the window is blank (Qt's own may be). Chosen in the menu, a language
    // moves the mark and changes every text, none to a bare key; the current one again does
    // nothing, and English brings every text back. The language names stay in their own language.
    void languageMenuRetranslates()
    {
        const auto shown = [this] {
            QStringList texts;
            for (const QGroupBox *group : f.window->findChildren<QGroupBox *>())
                texts << group->title();
            for (const QLabel *label : f.window->findChildren<QLabel *>())
                texts << label->text();
            for (const QAbstractButton *button : f.window->findChildren<QAbstractButton *>())
                texts << button->text();
            auto *table = f.child<QTableWidget>("resultsTable");
            for (int column = 0; column < table->columnCount(); ++column)
                texts << table->horizontalHeaderItem(column)->text();
            texts << f.child<QWidget>("fileList")->toolTip()
                  << f.child<QComboBox>("driveCombo")->currentText();
            texts.removeAll(QString());
            return texts;
        };
        for (const QAbstractButton *button : f.window->findChildren<QAbstractButton *>()) {
            const QString name = button->objectName();
            QVERIFY2(name.isEmpty() || name.startsWith("qt_") || !button->text().isEmpty(),
                     qPrintable(name));
        }
        const QStringList english = shown();
        const QList<QAction *> actions = f.child<QMenu>("languageMenu")->actions();
        QCOMPARE(actions.size(), 3);  // Simplified, Traditional, English
        QSignalSpy changed(I18n::instance(), &I18n::languageChanged);
        actions[1]->trigger();
        actions[1]->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(changed.count(), 1);
        QVERIFY(actions[1]->isChecked() && !actions[2]->isChecked());
        QCOMPARE(actions[0]->text(), QStringLiteral("简体中文"));
        const QStringList traditional = shown();
        QCOMPARE(traditional.size(), english.size());
        static const QRegularExpression bareKey(QStringLiteral("^[A-Z][a-z]+[A-Z]\\w*$"));
        for (int i = 0; i < english.size(); ++i) {
            QVERIFY2(traditional[i] != english[i], qPrintable(english[i]));
            QVERIFY2(!bareKey.match(traditional[i]).hasMatch(), qPrintable(traditional[i]));
        }
        actions[2]->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(shown(), english);
    }

    void totalSize_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("streams");
        QTest::addColumn<QString>("expected");
        QTest::newRow("below a gigabyte in MB") << "512 MB" << 1 << "Total: 512 MB";
        QTest::newRow("a gigabyte in GB") << "512 MB" << 2 << "Total: 1.0 GB";
        QTest::newRow("beyond 32 bits") << "30 GB" << 16 << "Total: 480.0 GB";
    }

    void totalSize()
    {
        QFETCH(QString, size);
        QFETCH(int, streams);
        f.child<QComboBox>("testSizeCombo")->setCurrentText(size);
        f.child<QSpinBox>("streamCountSpin")->setValue(streams);
        QTEST(f.child<QLabel>("totalSizeLabel")->text(), "expected");
    }

    // The read box shows the read group and columns and stores the whole rules group; a
    // new window takes the stored rules into the controls that hold them, within their
    // limits, without writing them back.
    void readSwitchAndStoredRules()
    {
        auto *readGroup = f.child<QGroupBox>("readGroup");
        QVERIFY(!readGroup->isVisible() && f.columnHidden(ResultColumn::FirstRead));
        f.child<QCheckBox>("readTestCheck")->click();
        QVERIFY(readGroup->isVisible() && !f.columnHidden(ResultColumn::LastRead));
        const QVariantMap stored = WindowFixture::storedGroup(VerdictRulesStore::groupName());
        QCOMPARE(stored.size(), VerdictRulesStore::keys().size());
        QCOMPARE(stored.value("enableRead").toBool(), true);

        QSettings().setValue(QStringLiteral("verdict/perStreamWrite"), 5000.0);
        const QByteArray before = storeBytes();
        f.open();
        QCOMPARE(storeBytes(), before);
        QCOMPARE(f.window->verdictRules().perStreamWrite, 2000.0);
        QCOMPARE(f.child<QDoubleSpinBox>("perStreamWriteSpin")->value(), 2000.0);
        QVERIFY(f.child<QCheckBox>("readTestCheck")->isChecked());
        QVERIFY(f.child<QGroupBox>("readGroup")->isVisible() && !f.columnHidden(10));
        f.child<QCheckBox>("readTestCheck")->click();
        QVERIFY(!f.child<QGroupBox>("readGroup")->isVisible() && f.columnHidden(10));
        QCOMPARE(VerdictRulesStore::loadFromDefaultStore().enableRead, false);
    }

    // A press anywhere on the list opens the picker and is consumed; not while a test runs
    // (the list is disabled then), and not on a release.
    void fileListClick()
    {
        auto *list = f.child<QListWidget>("fileList");
        const auto send = [this](QObject *target, QEvent::Type type) {
            QMouseEvent event(type, QPointF(10, 10), Qt::RightButton, Qt::RightButton,
                              Qt::NoModifier);
            return static_cast<QObject *>(f.window.get())->eventFilter(target, &event);
        };
        QVERIFY(send(list->viewport(), QEvent::MouseButtonPress));
        QVERIFY(send(list, QEvent::MouseButtonPress));
        QVERIFY(!send(list, QEvent::MouseButtonRelease));
        list->setEnabled(false);
        QVERIFY(!send(list->viewport(), QEvent::MouseButtonPress));
        QCOMPARE(f.pickerCalls.size(), 2);
    }

    // Missing files and folders are dropped, a file is listed once however often it is
    // picked, a cancelled pick changes nothing; Clear empties the list and the results.
    void pickAndClearFiles()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.mp4"));
        const QString b = dir.filePath(QStringLiteral("b clip.mp4"));
        QFile fileA(a), fileB(b);
        QVERIFY(fileA.open(QIODevice::WriteOnly) && fileA.resize(1048576));
        QVERIFY(fileB.open(QIODevice::WriteOnly) && fileB.resize(524288));
        auto *list = f.child<QListWidget>("fileList");
        auto *summary = f.child<QLabel>("fileSummaryLabel");
        const QString none = summary->text();
        for (const QStringList &pick : {QStringList{dir.filePath("gone.mp4"), dir.path()},
                                        QStringList{a, a}, QStringList{b, a}, QStringList{}}) {
            f.pickerAnswer = pick;
            f.window->browseSourceFiles();
            if (list->count() == 0)
                QCOMPARE(summary->text(), none);
        }
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QStringLiteral("b clip.mp4"));
        QCOMPARE(list->item(1)->data(Qt::UserRole).toString(), b);
        QCOMPARE(summary->text(), QStringLiteral("Selected: 2 files, 1.5 MB total"));

        f.replay(1);
        f.click("clearFilesButton");
        QCOMPARE(list->count(), 0);
        QCOMPARE(summary->text(), none);
        QCOMPARE(f.child<QTableWidget>("resultsTable")->rowCount(), 0);
    }

    void storedTestSettings_data()
    {
        QTest::addColumn<QVariantList>("stored");  // mode, size index, streams, block index
        QTest::addColumn<bool>("external");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("streams");
        QTest::addColumn<QString>("block");
        // What is out of a control's range leaves its default: 2 GB, 2 streams, 1 MB.
        QTest::newRow("all valid") << QVariantList{1, 9, 16, 0} << true << "30 GB" << 16 << "64 KB";
        QTest::newRow("one beyond") << QVariantList{2, 10, 17, 7} << false << "2 GB" << 2 << "1 MB";
        QTest::newRow("below") << QVariantList{-1, -1, 0, -1} << false << "2 GB" << 2 << "1 MB";
        // Not wrapped round into a valid index.
        QTest::newRow("huge") << QVariantList{"1e99", "4294967296", "99999999999", 2147483647}
                              << false << "2 GB" << 2 << "1 MB";
    }

    // A new window takes them from the store without writing anything back.
    void storedTestSettings()
    {
        QFETCH(QVariantList, stored);
        QFETCH(bool, external);
        QSettings settings;
        const char *keys[] = {"testMode", "testSizeIndex", "streamCount", "blockIndex"};
        for (int i = 0; i < 4; ++i)
            settings.setValue(QStringLiteral("testSettings/") + keys[i], stored[i]);
        settings.sync();
        const QByteArray before = storeBytes();
        f.open();
        QCOMPARE(storeBytes(), before);
        QCOMPARE(f.child<QRadioButton>("externalFileRadio")->isChecked(), external);
        QCOMPARE(f.child<QListWidget>("fileList")->isVisible(), external);
        QCOMPARE(f.child<QComboBox>("testSizeCombo")->isVisible(), !external);
        QTEST(f.child<QComboBox>("testSizeCombo")->currentText(), "size");
        QTEST(f.child<QSpinBox>("streamCountSpin")->value(), "streams");
        QTEST(f.child<QComboBox>("blockSizeCombo")->currentText(), "block");
    }

    // Whichever control changed, all four are stored, and a new window comes back to them.
    void testSettingsStored()
    {
        f.child<QSpinBox>("streamCountSpin")->setValue(7);
        const QVariantMap expected{
            {"testMode", 0}, {"testSizeIndex", 2}, {"streamCount", 7}, {"blockIndex", 4}};
        QCOMPARE(WindowFixture::storedGroup(QStringLiteral("testSettings")), expected);
        f.child<QRadioButton>("externalFileRadio")->click();
        f.child<QComboBox>("blockSizeCombo")->setCurrentIndex(1);
        f.open();
        QVERIFY(f.child<QRadioButton>("externalFileRadio")->isChecked());
        QCOMPARE(f.child<QSpinBox>("streamCountSpin")->value(), 7);
        QCOMPARE(f.child<QComboBox>("blockSizeCombo")->currentIndex(), 1);
    }

    // The compiled-in icon: 32-bit images with transparency up to the 256 pixels Windows
    // shows.
    void appIcon()
    {
        QImageReader reader(QStringLiteral(":/logo.ico"));
        QList<int> sides;
        for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
            const QImage image = reader.read();
            QVERIFY(image.depth() == 32 && image.hasAlphaChannel());
            sides << image.width();
        }
        QCOMPARE(sides, (QList<int>{48, 64, 72, 80, 96, 128, 256}));
    }
};

QTEST_MAIN(TestWindowControls)
#include "tst_windowcontrols.moc"
