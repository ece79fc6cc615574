#include "dashcamprofilepicker.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {
// Item data: the preset's name; these two mark the items without one.
const QString kNone = QStringLiteral("");
const QString kOwn = QStringLiteral("own");
}  // namespace

DashcamProfilePicker::DashcamProfilePicker(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("dashcamProfilePicker"));
    label = new QLabel(this);
    combo = new QComboBox(this);
    combo->setObjectName(QStringLiteral("dashcamProfileCombo"));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo->addItem(QString(), kNone);
    for (const DashcamProfile &p : dashcamPresets())
        combo->addItem(QString(), p.preset);
    combo->addItem(QString(), kOwn);
    bitrates = new QLineEdit(this);
    bitrates->setObjectName(QStringLiteral("dashcamBitratesEdit"));
    bitrates->setFixedWidth(110);
    bitrates->hide();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(label);
    layout->addWidget(combo);
    layout->addWidget(bitrates);
    connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &DashcamProfilePicker::onIndexChanged);
    connect(bitrates, &QLineEdit::editingFinished, this, &DashcamProfilePicker::onBitratesEdited);
    retranslate();
}

DashcamProfile DashcamProfilePicker::profile() const
{
    const QString data = combo->currentData().toString();
    DashcamProfile p;
    if (data != kNone)
        parseDashcamProfile(data == kOwn ? bitrates->text() : data, &p);
    return p;
}

void DashcamProfilePicker::setProfile(const DashcamProfile &profile)
{
    const QSignalBlocker blockCombo(combo);
    const QSignalBlocker blockField(bitrates);
    if (!profile.isSet()) {
        combo->setCurrentIndex(combo->findData(kNone));
    } else if (profile.preset.isEmpty()) {
        combo->setCurrentIndex(combo->findData(kOwn));
        bitrates->setText(profile.spec());
    } else {
        combo->setCurrentIndex(combo->findData(profile.preset));
    }
    showOwnField();
}

void DashcamProfilePicker::retranslate()
{
    label->setText(tr("LabelDashcam"));
    setToolTip(tr("TipDashcamProfile"));
    bitrates->setPlaceholderText(tr("HintDashcamBitrates"));
    combo->setItemText(0, tr("LabelNoDashcam"));
    for (int i = 0; i < dashcamPresets().size(); ++i)
        combo->setItemText(i + 1, dashcamProfileTitle(dashcamPresets()[i]));
    combo->setItemText(combo->count() - 1, tr("LabelOwnBitratesItem"));
}

void DashcamProfilePicker::showOwnField()
{
    bitrates->setVisible(combo->currentData().toString() == kOwn);
}

void DashcamProfilePicker::onIndexChanged()
{
    showOwnField();
    if (combo->currentData().toString() == kOwn) {
        bitrates->setFocus();
        if (!profile().isSet())
            return;  // nothing typed yet
    }
    emit profileChosen(profile());
}

void DashcamProfilePicker::onBitratesEdited()
{
    // Typed bitrates that do not read as a profile are marked, and choose nothing.
    const DashcamProfile p = profile();
    bitrates->setStyleSheet(p.isSet() || bitrates->text().trimmed().isEmpty()
                                ? QString()
                                : QStringLiteral("border:1px solid #d32f2f;"));
    if (p.isSet())
        emit profileChosen(p);
}
