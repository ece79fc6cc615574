#include "verdictrulesdialog.h"
#include "verdictrulesstore.h"
#include "windowfixture.h"

#include <QDialogButtonBox>

#include <functional>

namespace {

QDoubleSpinBox *spin(QWidget *dialog, const char *name)
{
    return dialog->findChild<QDoubleSpinBox *>(QString::fromLatin1(name));
}

void press(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox *>()->button(which)->click();
}

void restoreDefaults(QWidget *dialog)
{
    dialog->findChild<QPushButton *>(QStringLiteral("restoreDefaultsButton"))->click();
}

}  // namespace

// The verdict rules dialog on its own, and as the window's button opens it.
class TestVerdictDialog : public WindowTestCase
{
    Q_OBJECT

private slots:
    void layoutAndTexts()
    {
        VerdictRulesDialog dialog(VerdictRules(), 5.0, 10.0);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Verdict Rules"));
        QStringList groups;
        for (const QGroupBox *g : dialog.findChildren<QGroupBox *>())
            groups << g->title();
        QCOMPARE(groups,
                 (QStringList{"Metric thresholds (any one trips the corresponding downgrade)",
                              "Per-stream min speed (applies to per-file / per-stream rows only)",
                              "Card-total min speed (applies to the card-total row only)",
                              "Stress Test"}));

        QStringList shown;
        for (const QLabel *l : dialog.findChildren<QLabel *>())
            shown << l->text();
        for (const QAbstractButton *b : dialog.findChildren<QAbstractButton *>())
            shown << b->text();
        const QStringList expected =
            QStringLiteral("Metric|<b>Fail &gt;</b>|<b>Warn &gt;</b>|Jitter|Drop ratio|"
                           "CV (coefficient of variation)|"
                           "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>|"
                           "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>|"
                           "Per-stream write min ≥|Per-stream read min  ≥|"
                           "Min speed &lt; threshold ×|→ Fail|<b>Fail &lt;</b>|<b>Warn &lt;</b>|"
                           "Write Min|Read Min|Iterations:|OK|Cancel|Restore defaults|"
                           "Trim SLC cache region (compute all metrics on steady-state TLC only)")
                .split(QLatin1Char('|'));
        for (const QString &text : expected)
            QVERIFY2(shown.contains(text), qPrintable(text));

        const QString trimTip = dialog.findChild<QCheckBox *>("slcTrimCheck")->toolTip();
        QVERIFY(trimTip.contains(QStringLiteral("misjudged as \"Fail\"")));
        const QString fullCapTip = dialog.findChild<QCheckBox *>("fullCapCheck")->toolTip();
        QVERIFY(fullCapTip.endsWith(QStringLiteral("Enabling this mode forces [Streams] to 1.")));
        QCOMPARE(fullCapTip.count(QLatin1Char('\n')), 2);
        auto *iterations = dialog.findChild<QSpinBox *>(QStringLiteral("iterationsSpin"));
        QCOMPARE(iterations->minimum(), 1);
        QCOMPARE(iterations->maximum(), 99);
        QCOMPARE(iterations->suffix(), QStringLiteral(" runs"));
        QVERIFY(iterations->toolTip().endsWith(QStringLiteral("Default 1.")));

        auto *box = dialog.findChild<QDialogButtonBox *>();
        QCOMPARE(box->buttons().size(), 3);
        QCOMPARE(box->buttonRole(dialog.findChild<QPushButton *>("restoreDefaultsButton")),
                 QDialogButtonBox::ResetRole);
    }

    void spinBounds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("typed");
        QTest::addColumn<double>("held");
        QTest::addColumn<QString>("suffix");

        // Percent spins hold 0..500 with one decimal, speed spins 0..2000 with one, the
        // multiplier 0.10..1.00 with two.
        const auto row = [](const char *spin, double typed, double held, const char *suffix) {
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(spin).arg(typed)))
                << spin << typed << held << suffix;
        };
        row("jitterFailSpin", 600.0, 500.0, " %");
        row("jitterWarnSpin", -5.0, 0.0, " %");
        row("cvFailSpin", 12.34, 12.3, " %");
        row("cvWarnSpin", 500.0, 500.0, " %");
        row("dropFailSpin", 0.0, 0.0, " %");
        row("dropWarnSpin", 999.0, 500.0, " %");
        row("perStreamWriteSpin", 3000.0, 2000.0, " MB/s");
        row("perStreamReadSpin", 7.77, 7.8, " MB/s");
        row("aggWriteFailSpin", -1.0, 0.0, " MB/s");
        row("aggWriteWarnSpin", 2000.0, 2000.0, " MB/s");
        row("aggReadFailSpin", 12.34, 12.3, " MB/s");
        row("aggReadWarnSpin", 2500.0, 2000.0, " MB/s");
        row("minSpeedMultSpin", 0.05, 0.10, "");
        row("minSpeedMultSpin", 0.10, 0.10, "");
        row("minSpeedMultSpin", 0.333, 0.33, "");
        row("minSpeedMultSpin", 1.0, 1.0, "");
        row("minSpeedMultSpin", 1.5, 1.0, "");
    }

    void spinBounds()
    {
        QFETCH(QString, name);
        QFETCH(double, typed);
        QFETCH(double, held);
        QFETCH(QString, suffix);

        VerdictRulesDialog dialog(VerdictRules(), 5.0, 10.0);
        auto *s = dialog.findChild<QDoubleSpinBox *>(name);
        QVERIFY2(s, qPrintable(name));
        s->setValue(typed);
        QCOMPARE(s->value(), held);
        QCOMPARE(s->suffix(), suffix);
    }

    void restoreDefaultsSetsControlsOnly()
    {
        // Rules unlike the defaults in every field.
        const VerdictRules defaults;
        VerdictRules odd;
        for (const QString &key : VerdictRulesStore::keys()) {
            const QVariant value = VerdictRulesStore::field(defaults, key);
            VerdictRulesStore::setField(&odd, key,
                                        value.type() == QVariant::Bool ? QVariant(!value.toBool())
                                        : value.type() == QVariant::Int
                                            ? QVariant(42)
                                            : QVariant(value.toDouble() + 0.07));
        }
        VerdictRulesDialog dialog(odd, 77.0, 88.0);
        restoreDefaults(&dialog);

        // The rules of a first start, but a per-stream write minimum of 10, not 5.
        VerdictRules expected = defaults;
        expected.perStreamWrite = 10.0;
        expected.enableRead = odd.enableRead;
        const VerdictRules restored = dialog.rules(odd);
        for (const QString &key : VerdictRulesStore::keys())
            QVERIFY2(VerdictRulesStore::field(restored, key)
                         == VerdictRulesStore::field(expected, key),
                     qPrintable(key));
    }

    void acceptStoresWhatTheDialogShows()
    {
        QSettings().setValue(QStringLiteral("verdict/jitterWarn"), 0.4567);
        QSettings().setValue(QStringLiteral("verdict/perStreamWrite"), 5.56);
        f.open();
        QCOMPARE(f.window->verdictRules().jitterWarn, 0.4567);

        // Ratios show in percent; OK stores every rule as the dialog's decimals show it.
        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            QCOMPARE(spin(d, "jitterWarnSpin")->value(), 45.7);
            QCOMPARE(spin(d, "perStreamWriteSpin")->value(), 5.6);
            spin(d, "cvWarnSpin")->setValue(47.5);
            press(d, QDialogButtonBox::Ok);
        }));
        QCOMPARE(f.window->verdictRules().jitterWarn, 0.457);
        QCOMPARE(f.window->verdictRules().cvWarn, 0.475);
        QCOMPARE(f.window->verdictRules().perStreamWrite, 5.6);
        QCOMPARE(f.child<QDoubleSpinBox>("perStreamWriteSpin")->value(), 5.6);
        QCOMPARE(stored().size(), 17);
        QCOMPARE(stored().value("jitterWarn").toDouble(), 0.457);
        QCOMPARE(stored().value("perStreamWrite").toDouble(), 5.6);
    }

    void restoreAppliesOnlyOnOk()
    {
        QSettings().setValue(QStringLiteral("verdict/iterCount"), 7);
        QSettings().setValue(QStringLiteral("verdict/cvWarn"), 0.3);
        f.open();
        const QVariantMap before = stored();

        // Cancel and Esc reject: nothing changes, nothing is stored.
        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            restoreDefaults(d);
            QCOMPARE(d->findChild<QSpinBox *>(QStringLiteral("iterationsSpin"))->value(), 1);
            press(d, QDialogButtonBox::Cancel);
        }));
        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            restoreDefaults(d);
            QTest::keyClick(d, Qt::Key_Escape);
        }));
        QCOMPARE(f.window->verdictRules().iterCount, 7);
        QCOMPARE(f.window->verdictRules().cvWarn, 0.3);
        QCOMPARE(f.window->verdictRules().perStreamWrite, 5.0);
        QCOMPARE(stored(), before);

        // OK applies and stores what the controls hold; with no test in the table that is all.
        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            restoreDefaults(d);
            d->findChild<QCheckBox *>(QStringLiteral("fullCapCheck"))->setChecked(true);
            press(d, QDialogButtonBox::Ok);
        }));
        QCOMPARE(f.window->verdictRules().iterCount, 1);
        QVERIFY(f.window->verdictRules().fullCap);
        QCOMPARE(f.window->verdictRules().perStreamWrite, 10.0);
        QCOMPARE(f.child<QDoubleSpinBox>("perStreamWriteSpin")->value(), 10.0);
        QCOMPARE(stored().value("perStreamWrite").toDouble(), 10.0);
        QCOMPARE(stored().value("iterCount"), QVariant(1));
        QCOMPARE(stored().value("fullCap").toBool(), true);
        QCOMPARE(f.child<QTableWidget>("resultsTable")->rowCount(), 0);
    }

    void acceptJudgesLastTestAgain()
    {
        // Default rules: the 2.4 MB/s stream is below half of its 5 MB/s minimum.
        f.replay(randomStreams(2));
        f.writePass(40.0, {2.4, 50.0});
        QCOMPARE(f.cell(0, 16), QStringLiteral("✓ Pass"));
        QCOMPARE(f.cell(1, 16), QStringLiteral("✗ Fail"));

        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            spin(d, "perStreamWriteSpin")->setValue(4.0);
            spin(d, "aggWriteWarnSpin")->setValue(50.0);
            press(d, QDialogButtonBox::Ok);
        }));
        // Now 2.4 is above half of 4 but below 4, and the card's 40 is below 50. The number
        // cells come from the same samples, so they stay.
        QCOMPARE(f.cell(0, 16), QStringLiteral("⚠ Warn"));
        QCOMPARE(f.cell(1, 16), QStringLiteral("⚠ Warn"));
        QCOMPARE(f.cell(2, 16), QStringLiteral("✓ Pass"));
        QCOMPARE(f.cell(1, 4), QStringLiteral("2.40"));
        QCOMPARE(f.cell(0, 4), QStringLiteral("40.00"));
    }

private:
    // Opens the dialog through the window's slot; `action` gets it once it is on screen and
    // must close it. Returns whether the dialog was seen at all.
    bool runDialog(const std::function<void(VerdictRulesDialog *)> &action)
    {
        bool seen = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *dialog = qobject_cast<VerdictRulesDialog *>(modal)) {
                seen = true;
                action(dialog);
                if (dialog->isVisible())
                    dialog->reject();  // a failed check left it open
            } else if (modal) {
                modal->close();  // never leave a test waiting on a dialog that is not ours
            }
        });
        poll.start(10);
        f.window->openVerdictSettings();
        return seen;
    }
    QVariantMap stored() const
    {
        return WindowFixture::storedGroup(VerdictRulesStore::groupName());
    }
};

QTEST_MAIN(TestVerdictDialog)
#include "tst_verdictdialog.moc"
