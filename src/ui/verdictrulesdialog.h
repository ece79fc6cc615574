#pragma once

#include "verdict.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;

// The editor of the verdict rules, except the read-test switch. It only holds controls:
// nothing leaves it before the caller reads rules() after an accepted exec().
class VerdictRulesDialog : public QDialog
{
    Q_OBJECT
public:
    // `perStreamWrite` and `perStreamRead` come from the window's holders, not from `current`.
    VerdictRulesDialog(const VerdictRules &current, double perStreamWrite, double perStreamRead,
                       QWidget *parent = nullptr);

    // `base` with every field the dialog edits taken from its controls (ratios back from
    // percent). The per-stream minimums are in it as the spins show them.
    VerdictRules rules(const VerdictRules &base) const;
    double perStreamWrite() const;
    double perStreamRead() const;

public slots:
    // Puts the default rules into the controls only; nothing is applied before OK.
    void restoreDefaults();

private:
    void addMetricGroup(const VerdictRules &current);
    void addTrimCheck(const VerdictRules &current);
    void addPerStreamGroup(const VerdictRules &current, double write, double read);
    void addCardTotalGroup(const VerdictRules &current);
    void addStressGroup(const VerdictRules &current);
    void addButtons();

    QDoubleSpinBox *jitterFailSpin = nullptr;
    QDoubleSpinBox *jitterWarnSpin = nullptr;
    QDoubleSpinBox *cvFailSpin = nullptr;
    QDoubleSpinBox *cvWarnSpin = nullptr;
    QDoubleSpinBox *dropFailSpin = nullptr;
    QDoubleSpinBox *dropWarnSpin = nullptr;
    QCheckBox *slcTrimCheck = nullptr;
    QDoubleSpinBox *perStreamWriteSpin = nullptr;
    QDoubleSpinBox *perStreamReadSpin = nullptr;
    QDoubleSpinBox *minSpeedMultSpin = nullptr;
    QDoubleSpinBox *dashcamMarginSpin = nullptr;
    QDoubleSpinBox *aggWriteFailSpin = nullptr;
    QDoubleSpinBox *aggWriteWarnSpin = nullptr;
    QDoubleSpinBox *aggReadFailSpin = nullptr;
    QDoubleSpinBox *aggReadWarnSpin = nullptr;
    QDoubleSpinBox *historyDropWarnSpin = nullptr;
    QCheckBox *fullCapCheck = nullptr;
    QSpinBox *iterationsSpin = nullptr;
    QDialogButtonBox *buttonBox = nullptr;
};
