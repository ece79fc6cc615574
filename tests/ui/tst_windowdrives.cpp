#include "fakemachine.h"
#include "mainwindow.h"
#include "windowtestkit.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The drive list of the window: item texts, the no-drive item and the FAT32 limit that a
// small card puts on the test size.
class TestWindowDrives : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void itemText_data();
    void itemText();
    void listsOnlyRemovableInOrder();
    void noDriveItem();
    void fat32LimitMovesSelection();
    void failedCapacityLimitsNothing();

private:
    template <typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    void useDrives() { window->setDriveService(std::make_unique<FakeDriveService>(table)); }
    QList<int> hiddenSizeRows() const;

    QTemporaryDir settingsDir;
    std::shared_ptr<FakeDriveTable> table;
    std::unique_ptr<MainWindow> window;
};

void TestWindowDrives::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY2(startWindowEnvironment(settingsDir.path(), English), "settings are not redirected");
}

void TestWindowDrives::init()
{
    table = std::make_shared<FakeDriveTable>();
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestWindowDrives::cleanup()
{
    window.reset();
    QSettings().remove(QStringLiteral("testSettings"));
}

QList<int> TestWindowDrives::hiddenSizeRows() const
{
    auto *sizes = child<QComboBox>("testSizeCombo");
    auto *view = qobject_cast<QListView *>(sizes->view());
    QList<int> hidden;
    for (int row = 0; view && row < sizes->count(); ++row) {
        if (view->isRowHidden(row))
            hidden << row;
    }
    return hidden;
}

void TestWindowDrives::itemText_data()
{
    QTest::addColumn<bool>("volumeOk");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("fileSystem");
    QTest::addColumn<bool>("spaceOk");
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<qint64>("totalBytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("everything known") << true << "CAM"
                                      << "vfat" << true << qint64(3758096384) << qint64(15837691904)
                                      << "/media/e/ [CAM] vfat 3.5/14.8 GB";
    QTest::newRow("empty label") << true << ""
                                 << "exfat" << true << qint64(0) << qint64(68719476736)
                                 << "/media/e/ [Removable] exfat 0.0/64.0 GB";
    QTest::newRow("label with %1") << true << "A%1B"
                                   << "vfat" << true << qint64(1073741824) << qint64(2147483648)
                                   << "/media/e/ [A%1B] vfat 1.0/2.0 GB";
    QTest::newRow("volume unknown") << false << "CAM"
                                    << "vfat" << true << qint64(1073741824) << qint64(2147483648)
                                    << "/media/e/ [Removable]  1.0/2.0 GB";
    QTest::newRow("space unknown")
        << true << "CAM"
        << "vfat" << false << qint64(0) << qint64(0) << "/media/e/ [CAM] vfat";
    QTest::newRow("both queries fail")
        << false << ""
        << "" << false << qint64(0) << qint64(0) << "/media/e/ [Removable]";
}

void TestWindowDrives::itemText()
{
    QFETCH(bool, volumeOk);
    QFETCH(QString, label);
    QFETCH(QString, fileSystem);
    QFETCH(bool, spaceOk);
    QFETCH(qint64, freeBytes);
    QFETCH(qint64, totalBytes);
    QFETCH(QString, expected);

    FakeDrive d;
    d.volumeOk = volumeOk;
    d.volume = {label.toStdString(), fileSystem.toStdString()};
    d.spaceOk = spaceOk;
    d.space = {freeBytes, totalBytes};
    table->drives["/media/e/"] = d;
    useDrives();

    auto *drives = child<QComboBox>("driveCombo");
    QCOMPARE(drives->count(), 1);
    QCOMPARE(drives->itemText(0), expected);
    QCOMPARE(drives->itemData(0).toString(), QStringLiteral("/media/e/"));
    QVERIFY(drives->itemIcon(0).isNull());
}

void TestWindowDrives::listsOnlyRemovableInOrder()
{
    FakeDrive removable;
    removable.volume = {"X", "vfat"};
    removable.space = {0, 1073741824};
    FakeDrive fixed = removable;
    fixed.removable = false;
    table->drives["/a/"] = removable;
    table->drives["/b/"] = fixed;
    table->drives["/c/"] = removable;
    useDrives();

    auto *drives = child<QComboBox>("driveCombo");
    QCOMPARE(drives->count(), 2);
    QCOMPARE(drives->itemData(0).toString(), QStringLiteral("/a/"));
    QCOMPARE(drives->itemData(1).toString(), QStringLiteral("/c/"));

    // Refresh always selects the first drive again.
    drives->setCurrentIndex(1);
    child<QPushButton>("refreshButton")->click();
    QCOMPARE(drives->currentIndex(), 0);
}

void TestWindowDrives::noDriveItem()
{
    child<QPushButton>("startButton")->setEnabled(false);
    useDrives();

    auto *drives = child<QComboBox>("driveCombo");
    QCOMPARE(drives->count(), 1);
    QCOMPARE(drives->itemText(0),
             QString::fromUtf8("⚠ No removable drive detected — please insert an memory card / "
                               "USB drive"));
    QVERIFY(drives->itemData(0).toString().isEmpty());
    QVERIFY(child<QPushButton>("startButton")->isEnabled());
}

void TestWindowDrives::fat32LimitMovesSelection()
{
    auto *sizes = child<QComboBox>("testSizeCombo");
    auto *total = child<QLabel>("totalSizeLabel");
    useDrives();
    sizes->setCurrentText(QStringLiteral("10 GB"));
    QCOMPARE(sizes->currentIndex(), 5);
    QVERIFY(hiddenSizeRows().isEmpty());

    FakeDrive card;
    card.volume = {"SMALL", "vfat"};
    card.space = {17179869184 - 1048576, 17179869184};  // 16 GB
    table->drives["/media/small/"] = card;
    child<QPushButton>("refreshButton")->click();

    QCOMPARE(sizes->currentText(), QStringLiteral("3 GB"));
    QCOMPARE(hiddenSizeRows(), (QList<int>{4, 5, 6, 7, 8, 9}));
    const int streams = window->findChild<QSpinBox *>(QStringLiteral("streamCountSpin"))->value();
    QCOMPARE(total->text(), QStringLiteral("Total: %1.0 GB").arg(3 * streams));
    QCOMPARE(QSettings().value(QStringLiteral("testSettings/testSizeIndex")).toInt(), 3);

    // A bigger card shows every size again but leaves the choice where it is.
    card.space = {68719476736, 68719476736};
    table->drives["/media/small/"] = card;
    child<QPushButton>("refreshButton")->click();
    QVERIFY(hiddenSizeRows().isEmpty());
    QCOMPARE(sizes->currentText(), QStringLiteral("3 GB"));

    // Exactly 32 GiB is still a small card; one byte more is not.
    card.space = {0, 34359738368};
    table->drives["/media/small/"] = card;
    child<QPushButton>("refreshButton")->click();
    QCOMPARE(hiddenSizeRows(), (QList<int>{4, 5, 6, 7, 8, 9}));
    card.space = {0, 34359738369};
    table->drives["/media/small/"] = card;
    child<QPushButton>("refreshButton")->click();
    QVERIFY(hiddenSizeRows().isEmpty());
}

void TestWindowDrives::failedCapacityLimitsNothing()
{
    FakeDrive card;
    card.spaceOk = false;
    table->drives["/media/unknown/"] = card;
    auto *sizes = child<QComboBox>("testSizeCombo");
    sizes->setCurrentText(QStringLiteral("30 GB"));
    useDrives();
    QCOMPARE(sizes->currentText(), QStringLiteral("30 GB"));
    QVERIFY(hiddenSizeRows().isEmpty());
}

QTEST_MAIN(TestWindowDrives)
#include "tst_windowdrives.moc"
