#include "mainwindow.h"

#include "cardinfo.h"
#include "dashcamprofilepicker.h"
#include "filepicker.h"
#include "verdictrulesstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QListWidgetItem>
#include <QRadioButton>
#include <QSet>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

const QString testSettingsGroup = QStringLiteral("testSettings");

// A stored index counts only where it names an item of the combo box.
bool isItemIndex(const QComboBox *combo, int index)
{
    return combo && index >= 0 && index < combo->count();
}

// The bytes of a file as the file system reports them now; a file that has gone counts 0.
qint64 currentSize(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : 0;
}

}  // namespace

void MainWindow::saveTestSettings()
{
    QSettings settings;
    settings.beginGroup(testSettingsGroup);
    settings.setValue(QStringLiteral("testMode"), externalFileRadio->isChecked() ? 1 : 0);
    settings.setValue(QStringLiteral("testSizeIndex"), testSizeCombo->currentIndex());
    settings.setValue(QStringLiteral("streamCount"), streamCountSpin->value());
    settings.setValue(QStringLiteral("blockIndex"), blockSizeCombo->currentIndex());
    settings.endGroup();
}

// Stored on its own toggle: the other four keys are written together, whichever changed.
void MainWindow::saveVerifySetting()
{
    QSettings().setValue(testSettingsGroup + QStringLiteral("/verifyData"),
                         verifyDataCheck->isChecked() ? 1 : 0);
}

void MainWindow::onDashcamProfileChosen(const DashcamProfile &profile)
{
    QSettings().setValue(testSettingsGroup + QStringLiteral("/dashcamProfile"), profile.spec());
    // One stream per channel; the spin box stores the count itself.
    if (profile.isSet())
        streamCountSpin->setValue(profile.channels.size());
}

void MainWindow::loadTestSettings()
{
    int mode = 0;
    int sizeIndex = -1;
    int streams = -1;
    int blockIndex = -1;
    int verify = 0;
    DashcamProfile profile;
    {
        QSettings settings;
        settings.beginGroup(testSettingsGroup);
        // Read as the stored rules are: a value that is no number is 0, a huge one stays
        // huge (and is refused below) instead of wrapping round into a valid index.
        mode = VerdictRulesStore::toStoredInt(settings.value(QStringLiteral("testMode"), 0));
        sizeIndex =
            VerdictRulesStore::toStoredInt(settings.value(QStringLiteral("testSizeIndex"), -1));
        streams = VerdictRulesStore::toStoredInt(settings.value(QStringLiteral("streamCount"), -1));
        blockIndex =
            VerdictRulesStore::toStoredInt(settings.value(QStringLiteral("blockIndex"), -1));
        verify = VerdictRulesStore::toStoredInt(settings.value(QStringLiteral("verifyData"), 0));
        // A stored profile that no longer reads as one is none.
        if (parseDashcamProfile(settings.value(QStringLiteral("dashcamProfile")).toString(),
                                &profile)
            != ProfileError::None)
            profile = DashcamProfile();
        settings.endGroup();
    }

    // Every control is set with its signals blocked, so loading stores nothing back.
    {
        const QSignalBlocker blockRandom(randomModeRadio);
        const QSignalBlocker blockExternal(externalFileRadio);
        if (mode == 1)
            externalFileRadio->setChecked(true);
        else
            randomModeRadio->setChecked(true);
    }
    if (isItemIndex(testSizeCombo, sizeIndex)) {
        const QSignalBlocker blocker(testSizeCombo);
        testSizeCombo->setCurrentIndex(sizeIndex);
    }
    if (streams >= streamCountSpin->minimum() && streams <= streamCountSpin->maximum()) {
        const QSignalBlocker blocker(streamCountSpin);
        streamCountSpin->setValue(streams);
    }
    if (isItemIndex(blockSizeCombo, blockIndex)) {
        const QSignalBlocker blocker(blockSizeCombo);
        blockSizeCombo->setCurrentIndex(blockIndex);
    }
    {
        const QSignalBlocker blocker(verifyDataCheck);
        verifyDataCheck->setChecked(verify == 1);
    }
    dashcamPicker->setProfile(profile);
    updateTotalSize();
    onTestModeChanged();
}

void MainWindow::browseSourceFiles()
{
    const QStringList picked =
        FilePicker::pickFiles(this, tr("DlgPickFiles"), tr("FilterAllFiles"));
    if (picked.isEmpty())
        return;

    QSet<QString> listed;
    qint64 totalBytes = 0;
    for (int i = 0; i < fileList->count(); ++i) {
        const QString path = fileList->item(i)->data(Qt::UserRole).toString();
        listed.insert(path);
        totalBytes += currentSize(path);
    }
    for (const QString &path : picked) {
        if (listed.contains(path))
            continue;
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile())
            continue;
        auto *item = new QListWidgetItem(info.fileName(), fileList);
        item->setData(Qt::UserRole, path);
        item->setToolTip(displayPath(path));
        listed.insert(path);
        totalBytes += info.size();
    }

    if (fileList->count() > 0)
        fileSummaryLabel->setText(tr("SummaryFilesSelected")
                                      .arg(fileList->count())
                                      .arg(static_cast<double>(totalBytes) / 1048576.0, 0, 'f', 1));
    else
        fileSummaryLabel->setText(tr("HintNoFileSelected"));
}

void MainWindow::clearSourceFiles()
{
    fileList->clear();
    fileSummaryLabel->setText(tr("HintNoFileSelected"));
    resetResults();
}
