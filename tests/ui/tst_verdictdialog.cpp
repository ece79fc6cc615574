#include "mainwindow.h"
#include "verdictrulesdialog.h"
#include "verdictrulesstore.h"
#include "windowtestkit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString passText = QStringLiteral("✓ Pass");
const QString warnText = QStringLiteral("⚠ Warn");
const QString failText = QStringLiteral("✗ Fail");

QDoubleSpinBox *spin(QWidget *dialog, const char *name)
{
    return dialog->findChild<QDoubleSpinBox *>(QString::fromLatin1(name));
}

QPushButton *button(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    auto *box = dialog->findChild<QDialogButtonBox *>();
    return box ? box->button(which) : nullptr;
}

QPushButton *restoreButton(QWidget *dialog)
{
    return dialog->findChild<QPushButton *>(QStringLiteral("restoreDefaultsButton"));
}

// What the store holds now, key by key.
QVariantMap storedRules()
{
    QVariantMap values;
    QSettings settings;
    settings.beginGroup(VerdictRulesStore::groupName());
    for (const QString &key : settings.childKeys())
        values.insert(key, settings.value(key));
    return values;
}

}  // namespace

// The verdict rules dialog on its own, and as the window's button opens it.
class TestVerdictDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutAndTexts();
    void spinKinds_data();
    void spinKinds();
    void percentShownAndTaken();
    void multiplierBounded_data();
    void multiplierBounded();
    void restoreDefaultsSetsControlsOnly();

    void acceptWithoutChangesRounds();
    void restoreThenCancelChangesNothing();
    void restoreThenOkGivesTen();
    void acceptWithEmptyTableOnlyStores();
    void acceptJudgesLastTestAgain();

private:
    // Opens the dialog through the window's slot; `action` gets it once it is on screen and
    // must close it. Returns whether the dialog was seen at all.
    bool runDialog(const std::function<void(VerdictRulesDialog *)> &action);
    void writePass(double card, const QVector<double> &streams);
    QString verdict(int row) const;

    QTemporaryDir settingsDir;
    std::unique_ptr<MainWindow> window;
};

void TestVerdictDialog::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY2(startWindowEnvironment(settingsDir.path(), English), "settings are not redirected");
}

void TestVerdictDialog::init()
{
    QSettings().remove(VerdictRulesStore::groupName());
    window = std::make_unique<MainWindow>();
}

void TestVerdictDialog::cleanup()
{
    window.reset();
    QSettings().remove(VerdictRulesStore::groupName());
}

bool TestVerdictDialog::runDialog(const std::function<void(VerdictRulesDialog *)> &action)
{
    bool seen = false;
    QTimer poll;
    int tries = 0;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<VerdictRulesDialog *>(QApplication::activeModalWidget());
        if (dialog) {
            poll.stop();
            seen = true;
            action(dialog);
        } else if (++tries > 500) {
            // Never leave a test waiting on a dialog that is not ours.
            poll.stop();
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
        }
    });
    poll.start(10);
    window->openVerdictSettings();
    return seen;
}

void TestVerdictDialog::writePass(double card, const QVector<double> &streams)
{
    for (int k = 0; k < 20; ++k) {
        window->onWriteProgress(k * 5, card, card);
        for (int i = 0; i < streams.size(); ++i)
            window->onFileWriteSample(i, k * 5, streams[i], streams[i]);
    }
    window->onWriteProgress(100, card, card);
    for (int i = 0; i < streams.size(); ++i)
        window->onFileWriteSample(i, 100, streams[i], streams[i]);
    window->onWriteFinished(card);
}

QString TestVerdictDialog::verdict(int row) const
{
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("resultsTable"));
    return table->item(row, 16)->text();
}

void TestVerdictDialog::layoutAndTexts()
{
    VerdictRulesDialog dialog(VerdictRules(), 5.0, 10.0);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Verdict Rules"));
    QCOMPARE(dialog.minimumWidth(), 430);

    QStringList groups;
    for (const QGroupBox *g : dialog.findChildren<QGroupBox *>())
        groups << g->title();
    QCOMPARE(
        groups,
        (QStringList{"Metric thresholds (any one trips the corresponding downgrade)",
                     "Per-stream min speed (applies to per-file / per-stream rows only)",
                     "Card-total min speed (applies to the card-total row only)", "Stress Test"}));

    auto *trim = dialog.findChild<QCheckBox *>(QStringLiteral("slcTrimCheck"));
    QVERIFY(trim);
    QCOMPARE(trim->text(), QStringLiteral("Trim SLC cache region (compute all metrics on "
                                          "steady-state TLC only)"));
    QVERIFY(trim->toolTip().contains(QStringLiteral("misjudged as \"Fail\"")));
    auto *fullCap = dialog.findChild<QCheckBox *>(QStringLiteral("fullCapCheck"));
    QVERIFY(fullCap);
    QVERIFY(
        fullCap->toolTip().endsWith(QStringLiteral("Enabling this mode forces [Streams] to 1.")));
    QCOMPARE(fullCap->toolTip().count(QLatin1Char('\n')), 2);

    auto *iterations = dialog.findChild<QSpinBox *>(QStringLiteral("iterationsSpin"));
    QVERIFY(iterations);
    QCOMPARE(iterations->minimum(), 1);
    QCOMPARE(iterations->maximum(), 99);
    QCOMPARE(iterations->suffix(), QStringLiteral(" runs"));
    QVERIFY(iterations->toolTip().endsWith(QStringLiteral("Default 1.")));

    QStringList labels;
    for (const QLabel *l : dialog.findChildren<QLabel *>())
        labels << l->text();
    for (const char *text :
         {"Metric", "<b>Fail &gt;</b>", "<b>Warn &gt;</b>", "Jitter",
          "CV (coefficient of variation)", "Drop ratio",
          "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>",
          "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>",
          "Per-stream write min ≥", "Per-stream read min  ≥", "Min speed &lt; threshold ×",
          "→ Fail", "<b>Fail &lt;</b>", "<b>Warn &lt;</b>", "Write Min", "Read Min", "Iterations:"})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);

    QPushButton *ok = button(&dialog, QDialogButtonBox::Ok);
    QPushButton *cancel = button(&dialog, QDialogButtonBox::Cancel);
    QPushButton *restore = restoreButton(&dialog);
    QVERIFY(ok && cancel && restore);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QCOMPARE(restore->text(), QStringLiteral("Restore defaults"));
    auto *box = dialog.findChild<QDialogButtonBox *>();
    QCOMPARE(box->buttonRole(restore), QDialogButtonBox::ResetRole);
    QCOMPARE(box->buttons().size(), 3);
}

void TestVerdictDialog::spinKinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("width");

    for (const char *name : {"jitterFailSpin", "jitterWarnSpin", "cvFailSpin", "cvWarnSpin",
                             "dropFailSpin", "dropWarnSpin"})
        QTest::newRow(name) << name << 500.0 << 1 << " %" << 5.0 << 100;
    for (const char *name : {"perStreamWriteSpin", "perStreamReadSpin", "aggWriteFailSpin",
                             "aggWriteWarnSpin", "aggReadFailSpin", "aggReadWarnSpin"})
        QTest::newRow(name) << name << 2000.0 << 1 << " MB/s" << 1.0 << 120;
}

void TestVerdictDialog::spinKinds()
{
    QFETCH(QString, name);
    QFETCH(double, maximum);
    QFETCH(int, decimals);
    QFETCH(QString, suffix);
    QFETCH(double, step);
    QFETCH(int, width);

    VerdictRulesDialog dialog(VerdictRules(), 5.0, 10.0);
    auto *s = dialog.findChild<QDoubleSpinBox *>(name);
    QVERIFY(s);
    QCOMPARE(s->minimum(), 0.0);
    QCOMPARE(s->maximum(), maximum);
    QCOMPARE(s->decimals(), decimals);
    QCOMPARE(s->suffix(), suffix);
    QCOMPARE(s->singleStep(), step);
    QCOMPARE(s->minimumWidth(), width);
    QCOMPARE(s->maximumWidth(), width);
}

void TestVerdictDialog::percentShownAndTaken()
{
    VerdictRules current;
    current.jitterWarn = 0.45;
    current.dropFail = 0.333;
    VerdictRulesDialog dialog(current, 5.0, 10.0);
    QCOMPARE(spin(&dialog, "jitterWarnSpin")->value(), 45.0);
    QCOMPARE(spin(&dialog, "dropFailSpin")->value(), 33.3);

    spin(&dialog, "jitterWarnSpin")->setValue(47.5);
    const VerdictRules taken = dialog.rules(current);
    QCOMPARE(taken.jitterWarn, 0.475);
    QCOMPARE(taken.dropFail, 0.333);
    // The read switch is not the dialog's to change.
    current.enableRead = true;
    QVERIFY(dialog.rules(current).enableRead);
}

void TestVerdictDialog::multiplierBounded_data()
{
    QTest::addColumn<double>("typed");
    QTest::addColumn<double>("held");

    QTest::newRow("below") << 0.05 << 0.10;
    QTest::newRow("lowest") << 0.10 << 0.10;
    QTest::newRow("inside, rounded") << 0.333 << 0.33;
    QTest::newRow("highest") << 1.0 << 1.0;
    QTest::newRow("above") << 1.5 << 1.0;
}

void TestVerdictDialog::multiplierBounded()
{
    QFETCH(double, typed);
    QFETCH(double, held);

    VerdictRulesDialog dialog(VerdictRules(), 5.0, 10.0);
    QDoubleSpinBox *mult = spin(&dialog, "minSpeedMultSpin");
    QVERIFY(mult);
    QCOMPARE(mult->singleStep(), 0.05);
    QCOMPARE(mult->minimumWidth(), 80);
    mult->setValue(typed);
    QCOMPARE(dialog.rules(VerdictRules()).minSpeedMult, held);

    // A stored multiplier out of the range shows inside it as well.
    VerdictRules stored;
    stored.minSpeedMult = typed;
    VerdictRulesDialog again(stored, 5.0, 10.0);
    QCOMPARE(spin(&again, "minSpeedMultSpin")->value(), held);
}

void TestVerdictDialog::restoreDefaultsSetsControlsOnly()
{
    VerdictRules odd;
    odd.jitterFail = 0.9;
    odd.jitterWarn = 0.1;
    odd.cvFail = 0.8;
    odd.cvWarn = 0.2;
    odd.dropFail = 0.7;
    odd.dropWarn = 0.3;
    odd.minSpeedMult = 0.9;
    odd.aggWriteFail = 1;
    odd.aggWriteWarn = 2;
    odd.aggReadFail = 3;
    odd.aggReadWarn = 4;
    odd.slcTrim = false;
    odd.fullCap = true;
    odd.iterCount = 42;
    VerdictRulesDialog dialog(odd, 77.0, 88.0);
    restoreButton(&dialog)->click();

    const VerdictRules r = dialog.rules(odd);
    QCOMPARE(r.jitterFail, 0.65);
    QCOMPARE(r.jitterWarn, 0.45);
    QCOMPARE(r.cvFail, 0.5);
    QCOMPARE(r.cvWarn, 0.36);
    QCOMPARE(r.dropFail, 0.2);
    QCOMPARE(r.dropWarn, 0.1);
    QCOMPARE(r.minSpeedMult, 0.5);
    QCOMPARE(r.aggWriteFail, 10.0);
    QCOMPARE(r.aggWriteWarn, 20.0);
    QCOMPARE(r.aggReadFail, 10.0);
    QCOMPARE(r.aggReadWarn, 30.0);
    QCOMPARE(r.slcTrim, true);
    QCOMPARE(r.fullCap, false);
    QCOMPARE(r.iterCount, 1);
    QCOMPARE(dialog.perStreamWrite(), 10.0);
    QCOMPARE(dialog.perStreamRead(), 10.0);
    // Still open, and the dialog kept nothing of its own.
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestVerdictDialog::acceptWithoutChangesRounds()
{
    window.reset();
    {
        QSettings settings;
        settings.setValue(QStringLiteral("verdict/jitterWarn"), 0.4567);
        settings.setValue(QStringLiteral("verdict/perStreamWrite"), 5.56);
    }
    window = std::make_unique<MainWindow>();
    QCOMPARE(window->verdictRules().jitterWarn, 0.4567);

    QVERIFY(runDialog([](VerdictRulesDialog *d) {
        QCOMPARE(spin(d, "jitterWarnSpin")->value(), 45.7);
        QCOMPARE(spin(d, "perStreamWriteSpin")->value(), 5.6);
        button(d, QDialogButtonBox::Ok)->click();
    }));
    QCOMPARE(window->verdictRules().jitterWarn, 0.457);
    QCOMPARE(window->verdictRules().perStreamWrite, 5.6);
    QCOMPARE(window->findChild<QDoubleSpinBox *>(QStringLiteral("perStreamWriteSpin"))->value(),
             5.6);
    const QVariantMap stored = storedRules();
    QCOMPARE(stored.size(), 17);
    QCOMPARE(stored.value(QStringLiteral("jitterWarn")).toDouble(), 0.457);
    QCOMPARE(stored.value(QStringLiteral("perStreamWrite")).toDouble(), 5.6);
}

void TestVerdictDialog::restoreThenCancelChangesNothing()
{
    VerdictRules before;
    {
        QSettings settings;
        settings.setValue(QStringLiteral("verdict/iterCount"), 7);
        settings.setValue(QStringLiteral("verdict/cvWarn"), 0.3);
    }
    window = std::make_unique<MainWindow>();
    before = window->verdictRules();
    const QVariantMap storedBefore = storedRules();

    QVERIFY(runDialog([](VerdictRulesDialog *d) {
        restoreButton(d)->click();
        QCOMPARE(d->findChild<QSpinBox *>(QStringLiteral("iterationsSpin"))->value(), 1);
        button(d, QDialogButtonBox::Cancel)->click();
    }));
    QCOMPARE(window->verdictRules().iterCount, 7);
    QCOMPARE(window->verdictRules().cvWarn, 0.3);
    QCOMPARE(window->verdictRules().perStreamWrite, before.perStreamWrite);
    QCOMPARE(storedRules(), storedBefore);

    // Esc is a rejection too.
    QVERIFY(runDialog([](VerdictRulesDialog *d) {
        restoreButton(d)->click();
        QTest::keyClick(d, Qt::Key_Escape);
    }));
    QCOMPARE(window->verdictRules().iterCount, 7);
    QCOMPARE(storedRules(), storedBefore);
}

void TestVerdictDialog::restoreThenOkGivesTen()
{
    QCOMPARE(window->verdictRules().perStreamWrite, 5.0);
    QVERIFY(runDialog([](VerdictRulesDialog *d) {
        restoreButton(d)->click();
        button(d, QDialogButtonBox::Ok)->click();
    }));
    QCOMPARE(window->verdictRules().perStreamWrite, 10.0);
    QCOMPARE(window->findChild<QDoubleSpinBox *>(QStringLiteral("perStreamWriteSpin"))->value(),
             10.0);
    QCOMPARE(storedRules().value(QStringLiteral("perStreamWrite")).toDouble(), 10.0);
}

void TestVerdictDialog::acceptWithEmptyTableOnlyStores()
{
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("resultsTable"));
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 0);
    QVERIFY(storedRules().isEmpty());
    QVERIFY(runDialog([](VerdictRulesDialog *d) {
        d->findChild<QSpinBox *>(QStringLiteral("iterationsSpin"))->setValue(3);
        d->findChild<QCheckBox *>(QStringLiteral("fullCapCheck"))->setChecked(true);
        button(d, QDialogButtonBox::Ok)->click();
    }));
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(window->verdictRules().iterCount, 3);
    QVERIFY(window->verdictRules().fullCap);
    QCOMPARE(storedRules().value(QStringLiteral("iterCount")), QVariant(3));
    QCOMPARE(storedRules().value(QStringLiteral("fullCap")).toBool(), true);
}

void TestVerdictDialog::acceptJudgesLastTestAgain()
{
    // Default rules: the 2.4 MB/s stream is below half of its 5 MB/s minimum.
    window->prepareResults(randomStreams(2));
    writePass(40.0, {2.4, 50.0});
    QCOMPARE(verdict(0), passText);
    QCOMPARE(verdict(1), failText);
    QCOMPARE(verdict(2), passText);

    QVERIFY(runDialog([](VerdictRulesDialog *d) {
        spin(d, "perStreamWriteSpin")->setValue(4.0);
        spin(d, "aggWriteWarnSpin")->setValue(50.0);
        button(d, QDialogButtonBox::Ok)->click();
    }));
    // Now 2.4 is above half of 4 but below 4, and the card's 40 is below 50.
    QCOMPARE(verdict(0), warnText);
    QCOMPARE(verdict(1), warnText);
    QCOMPARE(verdict(2), passText);
    // The number cells come from the same samples, so they stay.
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("resultsTable"));
    QCOMPARE(table->item(1, 4)->text(), QStringLiteral("2.40"));
    QCOMPARE(table->item(0, 4)->text(), QStringLiteral("40.00"));
}

QTEST_MAIN(TestVerdictDialog)
#include "tst_verdictdialog.moc"
