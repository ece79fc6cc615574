#include "verdictrulesdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Ratios are edited in percent.
QDoubleSpinBox *percentSpin(QWidget *parent, const char *name, double ratio)
{
    auto *spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(0.0, 500.0);
    spin->setDecimals(1);
    spin->setSuffix(QStringLiteral(" %"));
    spin->setSingleStep(5.0);
    spin->setFixedWidth(100);
    spin->setValue(ratio * 100.0);
    return spin;
}

QDoubleSpinBox *speedSpin(QWidget *parent, const char *name, double mbps)
{
    auto *spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(0.0, 2000.0);
    spin->setDecimals(1);
    spin->setSuffix(QStringLiteral(" MB/s"));
    spin->setSingleStep(1.0);
    spin->setFixedWidth(120);
    spin->setValue(mbps);
    return spin;
}

QLabel *centredLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QGridLayout *spacedGrid(QWidget *parent)
{
    auto *grid = new QGridLayout(parent);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    return grid;
}

}  // namespace

VerdictRulesDialog::VerdictRulesDialog(const VerdictRules &current, double perStreamWrite,
                                       double perStreamRead, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("verdictRulesDialog"));
    setWindowTitle(tr("DlgVerdictTitle"));
    setMinimumWidth(430);
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(10);

    addMetricGroup(current);
    addTrimCheck(current);
    addPerStreamGroup(current, perStreamWrite, perStreamRead);
    addCardTotalGroup(current);
    addStressGroup(current);
    addButtons();
}

void VerdictRulesDialog::addMetricGroup(const VerdictRules &current)
{
    auto *group = new QGroupBox(tr("SectionMetricThresholds"), this);
    group->setObjectName(QStringLiteral("metricGroup"));
    QGridLayout *grid = spacedGrid(group);

    auto *metricHeader = new QLabel(tr("ColMetric"), group);
    metricHeader->setStyleSheet(QStringLiteral("color:#666;"));
    grid->addWidget(metricHeader, 0, 0);
    grid->addWidget(centredLabel(tr("HdrFailGt"), group), 0, 1);
    grid->addWidget(centredLabel(tr("HdrWarnGt"), group), 0, 2);

    jitterFailSpin = percentSpin(group, "jitterFailSpin", current.jitterFail);
    jitterWarnSpin = percentSpin(group, "jitterWarnSpin", current.jitterWarn);
    cvFailSpin = percentSpin(group, "cvFailSpin", current.cvFail);
    cvWarnSpin = percentSpin(group, "cvWarnSpin", current.cvWarn);
    dropFailSpin = percentSpin(group, "dropFailSpin", current.dropFail);
    dropWarnSpin = percentSpin(group, "dropWarnSpin", current.dropWarn);

    const struct {
        const char *name;
        QDoubleSpinBox *fail;
        QDoubleSpinBox *warn;
        const char *formula;
    } rows[] = {
        {"MetricJitter", jitterFailSpin, jitterWarnSpin, "MetricJitterFormula"},
        {"MetricCV", cvFailSpin, cvWarnSpin, "MetricCVFormula"},
        {"MetricDrop", dropFailSpin, dropWarnSpin, "MetricDropFormula"},
    };
    int row = 1;
    for (const auto &r : rows) {
        grid->addWidget(new QLabel(tr(r.name), group), row, 0);
        grid->addWidget(r.fail, row, 1);
        grid->addWidget(r.warn, row, 2);
        grid->addWidget(new QLabel(tr(r.formula), group), row, 3);
        ++row;
    }
    layout()->addWidget(group);
}

void VerdictRulesDialog::addTrimCheck(const VerdictRules &current)
{
    slcTrimCheck = new QCheckBox(tr("CheckSlcTrim"), this);
    slcTrimCheck->setObjectName(QStringLiteral("slcTrimCheck"));
    slcTrimCheck->setChecked(current.slcTrim);
    slcTrimCheck->setToolTip(tr("TipSlcTrim"));
    layout()->addWidget(slcTrimCheck);
}

void VerdictRulesDialog::addPerStreamGroup(const VerdictRules &current, double write, double read)
{
    auto *group = new QGroupBox(tr("SectionPerStreamMin"), this);
    group->setObjectName(QStringLiteral("perStreamGroup"));
    auto *form = new QFormLayout(group);
    form->setHorizontalSpacing(10);

    perStreamWriteSpin = speedSpin(group, "perStreamWriteSpin", write);
    perStreamReadSpin = speedSpin(group, "perStreamReadSpin", read);
    form->addRow(tr("LabelPerStreamWriteMin"), perStreamWriteSpin);
    form->addRow(tr("LabelPerStreamReadMin"), perStreamReadSpin);

    minSpeedMultSpin = new QDoubleSpinBox(group);
    minSpeedMultSpin->setObjectName(QStringLiteral("minSpeedMultSpin"));
    minSpeedMultSpin->setRange(0.1, 1.0);
    minSpeedMultSpin->setDecimals(2);
    minSpeedMultSpin->setSingleStep(0.05);
    minSpeedMultSpin->setFixedWidth(80);
    minSpeedMultSpin->setValue(current.minSpeedMult);

    auto *multRow = new QHBoxLayout;
    multRow->setSpacing(4);
    multRow->addWidget(new QLabel(tr("LabelMinSpeedLt"), group));
    multRow->addWidget(minSpeedMultSpin);
    multRow->addWidget(new QLabel(tr("LabelThenFail"), group));
    multRow->addStretch();
    form->addRow(QString(), multRow);

    // A dashcam channel's stream must sustain its bitrate times this to be fit.
    dashcamMarginSpin = new QDoubleSpinBox(group);
    dashcamMarginSpin->setObjectName(QStringLiteral("dashcamMarginSpin"));
    dashcamMarginSpin->setRange(1.0, 10.0);
    dashcamMarginSpin->setDecimals(2);
    dashcamMarginSpin->setSingleStep(0.1);
    dashcamMarginSpin->setPrefix(QStringLiteral("× "));
    dashcamMarginSpin->setFixedWidth(80);
    dashcamMarginSpin->setValue(current.dashcamMargin);
    dashcamMarginSpin->setToolTip(tr("TipDashcamProfile"));
    form->addRow(tr("LabelDashcamMargin"), dashcamMarginSpin);
    layout()->addWidget(group);
}

void VerdictRulesDialog::addCardTotalGroup(const VerdictRules &current)
{
    auto *group = new QGroupBox(tr("SectionAggMin"), this);
    group->setObjectName(QStringLiteral("cardTotalGroup"));
    QGridLayout *grid = spacedGrid(group);

    aggWriteFailSpin = speedSpin(group, "aggWriteFailSpin", current.aggWriteFail);
    aggWriteWarnSpin = speedSpin(group, "aggWriteWarnSpin", current.aggWriteWarn);
    aggReadFailSpin = speedSpin(group, "aggReadFailSpin", current.aggReadFail);
    aggReadWarnSpin = speedSpin(group, "aggReadWarnSpin", current.aggReadWarn);

    grid->addWidget(centredLabel(tr("HdrFailLt"), group), 0, 1);
    grid->addWidget(centredLabel(tr("HdrWarnLt"), group), 0, 2);
    grid->addWidget(new QLabel(tr("ColWriteMin"), group), 1, 0);
    grid->addWidget(aggWriteFailSpin, 1, 1);
    grid->addWidget(aggWriteWarnSpin, 1, 2);
    grid->addWidget(new QLabel(tr("ColReadMin"), group), 2, 0);
    grid->addWidget(aggReadFailSpin, 2, 1);
    grid->addWidget(aggReadWarnSpin, 2, 2);

    // The card total's figures against the card's last comparable test; a fall is at most 100 %.
    historyDropWarnSpin = percentSpin(group, "historyDropWarnSpin", current.historyDropWarn);
    historyDropWarnSpin->setMaximum(100.0);
    historyDropWarnSpin->setToolTip(tr("TipHistoryDropWarn"));
    grid->addWidget(new QLabel(tr("LabelHistoryDropWarn"), group), 3, 0, 1, 2);
    grid->addWidget(historyDropWarnSpin, 3, 2);
    layout()->addWidget(group);
}

void VerdictRulesDialog::addStressGroup(const VerdictRules &current)
{
    auto *group = new QGroupBox(tr("SectionStressTest"), this);
    group->setObjectName(QStringLiteral("stressGroup"));
    QGridLayout *grid = spacedGrid(group);

    fullCapCheck = new QCheckBox(tr("CheckFullCap"), group);
    fullCapCheck->setObjectName(QStringLiteral("fullCapCheck"));
    fullCapCheck->setChecked(current.fullCap);
    fullCapCheck->setToolTip(tr("TipFullCap"));
    grid->addWidget(fullCapCheck, 0, 0, 1, 3);

    iterationsSpin = new QSpinBox(group);
    iterationsSpin->setObjectName(QStringLiteral("iterationsSpin"));
    iterationsSpin->setRange(1, 99);
    iterationsSpin->setValue(current.iterCount);
    iterationsSpin->setSuffix(tr("SuffixRuns"));
    iterationsSpin->setToolTip(tr("TipIterations"));
    grid->addWidget(new QLabel(tr("LabelIterations"), group), 1, 0);
    grid->addWidget(iterationsSpin, 1, 1);
    grid->setColumnStretch(2, 1);
    layout()->addWidget(group);
}

void VerdictRulesDialog::addButtons()
{
    buttonBox = new QDialogButtonBox(this);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    QPushButton *restore =
        buttonBox->addButton(tr("BtnRestoreDefaults"), QDialogButtonBox::ResetRole);
    restore->setObjectName(QStringLiteral("restoreDefaultsButton"));
    buttonBox->addButton(QDialogButtonBox::Ok);
    buttonBox->addButton(QDialogButtonBox::Cancel);
    buttonBox->button(QDialogButtonBox::Ok)->setText(tr("BtnOk"));
    buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("BtnCancel"));
    connect(restore, &QPushButton::clicked, this, &VerdictRulesDialog::restoreDefaults);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout()->addWidget(buttonBox);
}

void VerdictRulesDialog::restoreDefaults()
{
    jitterFailSpin->setValue(65.0);
    jitterWarnSpin->setValue(45.0);
    cvFailSpin->setValue(50.0);
    cvWarnSpin->setValue(36.0);
    dropFailSpin->setValue(20.0);
    dropWarnSpin->setValue(10.0);
    fullCapCheck->setChecked(false);
    iterationsSpin->setValue(1);
    // Deliberately stricter than the first-start 5.0: the recommended per-stream minimum.
    perStreamWriteSpin->setValue(10.0);
    perStreamReadSpin->setValue(10.0);
    minSpeedMultSpin->setValue(0.5);
    dashcamMarginSpin->setValue(VerdictRules().dashcamMargin);
    aggWriteFailSpin->setValue(10.0);
    aggWriteWarnSpin->setValue(20.0);
    aggReadFailSpin->setValue(10.0);
    aggReadWarnSpin->setValue(30.0);
    historyDropWarnSpin->setValue(VerdictRules().historyDropWarn * 100.0);
    slcTrimCheck->setChecked(true);
}

VerdictRules VerdictRulesDialog::rules(const VerdictRules &base) const
{
    VerdictRules r = base;
    r.jitterFail = jitterFailSpin->value() / 100.0;
    r.jitterWarn = jitterWarnSpin->value() / 100.0;
    r.cvFail = cvFailSpin->value() / 100.0;
    r.cvWarn = cvWarnSpin->value() / 100.0;
    r.dropFail = dropFailSpin->value() / 100.0;
    r.dropWarn = dropWarnSpin->value() / 100.0;
    r.perStreamWrite = perStreamWrite();
    r.perStreamRead = perStreamRead();
    r.minSpeedMult = minSpeedMultSpin->value();
    r.dashcamMargin = dashcamMarginSpin->value();
    r.aggWriteFail = aggWriteFailSpin->value();
    r.aggWriteWarn = aggWriteWarnSpin->value();
    r.aggReadFail = aggReadFailSpin->value();
    r.aggReadWarn = aggReadWarnSpin->value();
    r.historyDropWarn = historyDropWarnSpin->value() / 100.0;
    r.slcTrim = slcTrimCheck->isChecked();
    r.fullCap = fullCapCheck->isChecked();
    r.iterCount = iterationsSpin->value();
    return r;
}

double VerdictRulesDialog::perStreamWrite() const
{
    return perStreamWriteSpin->value();
}

double VerdictRulesDialog::perStreamRead() const
{
    return perStreamReadSpin->value();
}
