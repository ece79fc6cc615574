#include "mainwindow.h"
#include "speedchartwidget.h"
#include "verdictrulesstore.h"
#include "windowtestkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The controls of the window that act on their own: the total size, the test mode, the
// read-test switch, the stored rules and the click on the file list.
class TestWindowControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void totalSize_data();
    void totalSize();
    void testModeSwitch();
    void readSwitchShowsAndStores();
    void storedRulesApplied();
    void fileListClick_data();
    void fileListClick();

private:
    template <typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    void newWindow()
    {
        window = std::make_unique<MainWindow>();
        window->show();
    }
    QList<int> hiddenColumns() const;

    QTemporaryDir settingsDir;
    std::unique_ptr<MainWindow> window;
};

void TestWindowControls::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY2(startWindowEnvironment(settingsDir.path(), English), "settings are not redirected");
}

void TestWindowControls::init()
{
    newWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestWindowControls::cleanup()
{
    window.reset();
    QSettings settings;
    settings.remove(VerdictRulesStore::groupName());
    // Each case starts from the defaults, not from what the previous one stored.
    settings.remove(QStringLiteral("testSettings"));
}

QList<int> TestWindowControls::hiddenColumns() const
{
    auto *table = child<QTableWidget>("resultsTable");
    QList<int> hidden;
    for (int column = 0; column < table->columnCount(); ++column) {
        if (table->isColumnHidden(column))
            hidden.append(column);
    }
    return hidden;
}

void TestWindowControls::totalSize_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("streams");
    QTest::addColumn<QString>("expected");

    QTest::newRow("512 MB x 1") << "512 MB" << 1 << "Total: 512 MB";
    QTest::newRow("512 MB x 2 reaches a gigabyte") << "512 MB" << 2 << "Total: 1.0 GB";
    QTest::newRow("512 MB x 3") << "512 MB" << 3 << "Total: 1.5 GB";
    QTest::newRow("defaults 2 GB x 2") << "2 GB" << 2 << "Total: 4.0 GB";
    QTest::newRow("15 GB x 1") << "15 GB" << 1 << "Total: 15.0 GB";
    // 30 GB x 16 does not fit in 32 bits.
    QTest::newRow("30 GB x 16") << "30 GB" << 16 << "Total: 480.0 GB";
}

void TestWindowControls::totalSize()
{
    QFETCH(QString, size);
    QFETCH(int, streams);
    QFETCH(QString, expected);

    auto *sizes = child<QComboBox>("testSizeCombo");
    auto *count = child<QSpinBox>("streamCountSpin");
    auto *label = child<QLabel>("totalSizeLabel");
    QVERIFY(sizes && count && label);
    const int index = sizes->findText(size);
    QVERIFY(index >= 0);
    sizes->setCurrentIndex(index);
    count->setValue(streams);
    QCOMPARE(label->text(), expected);
}

void TestWindowControls::testModeSwitch()
{
    auto *random = child<QRadioButton>("randomModeRadio");
    auto *external = child<QRadioButton>("externalFileRadio");
    QVERIFY(random && external);
    const QStringList randomOnly = {"sizeLabel", "sizeRow"};
    const QStringList externalOnly = {"filesLabel", "fileListBox", "fileButtonsBox"};
    const auto visible = [this](const QString &name) {
        return window->findChild<QWidget *>(name)->isVisible();
    };

    QVERIFY(random->isChecked());
    for (const QString &name : randomOnly)
        QVERIFY2(visible(name), qPrintable(name));
    for (const QString &name : externalOnly)
        QVERIFY2(!visible(name), qPrintable(name));

    external->click();
    QVERIFY(!random->isChecked());
    for (const QString &name : randomOnly)
        QVERIFY2(!visible(name), qPrintable(name));
    for (const QString &name : externalOnly)
        QVERIFY2(visible(name), qPrintable(name));
    // The size row keeps its values while hidden.
    QCOMPARE(child<QLabel>("totalSizeLabel")->text(), QStringLiteral("Total: 4.0 GB"));

    random->click();
    for (const QString &name : randomOnly)
        QVERIFY2(visible(name), qPrintable(name));
    for (const QString &name : externalOnly)
        QVERIFY2(!visible(name), qPrintable(name));
}

void TestWindowControls::readSwitchShowsAndStores()
{
    auto *check = child<QCheckBox>("readTestCheck");
    auto *readGroup = child<QGroupBox>("readGroup");
    QVERIFY(check && readGroup);
    const QList<int> readColumns = {10, 11, 12, 13, 14, 15};

    // First start: read test off, its box and columns hidden, nothing stored yet.
    QVERIFY(!check->isChecked());
    QVERIFY(!readGroup->isVisible());
    QCOMPARE(hiddenColumns(), readColumns);
    QVERIFY(!QSettings().childGroups().contains(VerdictRulesStore::groupName()));

    check->click();
    QVERIFY(window->verdictRules().enableRead);
    QVERIFY(readGroup->isVisible());
    QCOMPARE(hiddenColumns(), QList<int>());
    {
        // The whole group is written at once, unchanged thresholds included.
        QSettings settings;
        settings.beginGroup(VerdictRulesStore::groupName());
        QCOMPARE(settings.childKeys().size(), VerdictRulesStore::keys().size());
        QCOMPARE(settings.value(QStringLiteral("enableRead")).toBool(), true);
        QCOMPARE(settings.value(QStringLiteral("jitterWarn")).toDouble(), 0.45);
        QCOMPARE(settings.value(QStringLiteral("perStreamWrite")).toDouble(), 5.0);
    }

    check->click();
    QVERIFY(!window->verdictRules().enableRead);
    QVERIFY(!readGroup->isVisible());
    QCOMPARE(hiddenColumns(), readColumns);
    QCOMPARE(QSettings().value(QStringLiteral("verdict/enableRead")).toBool(), false);
}

void TestWindowControls::storedRulesApplied()
{
    window.reset();
    {
        QSettings settings;
        settings.beginGroup(VerdictRulesStore::groupName());
        settings.setValue(QStringLiteral("enableRead"), true);
        settings.setValue(QStringLiteral("perStreamWrite"), 5000.0);
        settings.setValue(QStringLiteral("perStreamRead"), 12.347);
        settings.setValue(QStringLiteral("iterCount"), 250);
    }
    newWindow();

    QVERIFY(child<QCheckBox>("readTestCheck")->isChecked());
    QVERIFY(child<QGroupBox>("readGroup")->isVisible());
    QCOMPARE(hiddenColumns(), QList<int>());
    // The hidden holders limit the per-stream minimums as they limit a typed value.
    QCOMPARE(child<QDoubleSpinBox>("perStreamWriteSpin")->value(), 2000.0);
    QCOMPARE(child<QDoubleSpinBox>("perStreamReadSpin")->value(), 12.35);
    QVERIFY(child<QDoubleSpinBox>("perStreamWriteSpin")->isHidden());
    QCOMPARE(window->verdictRules().perStreamWrite, 2000.0);
    QCOMPARE(window->verdictRules().iterCount, 99);
    // Loading wrote nothing back.
    QCOMPARE(QSettings().value(QStringLiteral("verdict/perStreamWrite")).toDouble(), 5000.0);
    QCOMPARE(QSettings().value(QStringLiteral("verdict/iterCount")).toInt(), 250);
}

void TestWindowControls::fileListClick_data()
{
    QTest::addColumn<bool>("onViewport");
    QTest::addColumn<int>("eventType");
    QTest::addColumn<bool>("listEnabled");
    QTest::addColumn<bool>("consumed");

    QTest::newRow("press on the empty area")
        << true << int(QEvent::MouseButtonPress) << true << true;
    QTest::newRow("press on the list frame")
        << false << int(QEvent::MouseButtonPress) << true << true;
    QTest::newRow("press while a test runs")
        << true << int(QEvent::MouseButtonPress) << false << false;
    QTest::newRow("release") << true << int(QEvent::MouseButtonRelease) << true << false;
    QTest::newRow("double click") << true << int(QEvent::MouseButtonDblClick) << true << false;
}

void TestWindowControls::fileListClick()
{
    QFETCH(bool, onViewport);
    QFETCH(int, eventType);
    QFETCH(bool, listEnabled);
    QFETCH(bool, consumed);

    child<QRadioButton>("externalFileRadio")->click();
    auto *list = child<QListWidget>("fileList");
    QVERIFY(list);
    list->setEnabled(listEnabled);
    QObject *target = onViewport ? static_cast<QObject *>(list->viewport()) : list;

    // The press opens the file picker; whatever dialog it shows is closed unanswered.
    ModalCloser closer;
    QMouseEvent event(QEvent::Type(eventType), QPointF(10, 10), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QObject *filter = window.get();
    QCOMPARE(filter->eventFilter(target, &event), consumed);
    QCOMPARE(list->count(), 0);
}

QTEST_MAIN(TestWindowControls)
#include "tst_windowcontrols.moc"
