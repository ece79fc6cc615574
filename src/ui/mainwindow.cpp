#include "mainwindow.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setupUi();
    connectRunner();
    loadVerdictRules();
    loadTestSettings();
    refreshDrives();
}

// The runner, a member, stops a running engine and waits for it before the widgets it
// reports to are gone.
MainWindow::~MainWindow() = default;

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QMainWindow::changeEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A click anywhere on the list, empty area included, opens the picker. The list is
    // disabled while a test runs, and then the click does nothing.
    if ((watched == fileList || watched == fileList->viewport())
        && event->type() == QEvent::MouseButtonPress && fileList->isEnabled()) {
        browseSourceFiles();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void MainWindow::onTestModeChanged()
{
    const bool random = randomModeRadio->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(sizeLabel), sizeRow})
        w->setVisible(random);
    for (QWidget *w : {static_cast<QWidget *>(filesLabel), fileListBox, fileButtonsBox})
        w->setVisible(!random);
}

void MainWindow::updateTotalSize()
{
    const qint64 total =
        testSizeCombo->currentData().toLongLong() * static_cast<qint64>(streamCountSpin->value());
    const double gigabytes = static_cast<double>(total) / 1073741824.0;
    if (gigabytes >= 1.0)
        totalSizeLabel->setText(tr("TotalSizeGB").arg(gigabytes, 0, 'f', 1));
    else
        totalSizeLabel->setText(tr("TotalSizeMB").arg(total / 1048576));
}

void MainWindow::onReadTestToggled(bool checked)
{
    rules.enableRead = checked;
    showReadResults(checked);
    saveVerdictRules();
}

QLabel *MainWindow::makeRowLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}
