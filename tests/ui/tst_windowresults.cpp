#include "verdictrulesdialog.h"
#include "verdictrulesstore.h"
#include "windowfixture.h"

#include <QDialogButtonBox>

#include <functional>

namespace {
const QString passText = QStringLiteral("✓ Pass");
const QString warnText = QStringLiteral("⚠ Warn");
const QString failText = QStringLiteral("✗ Fail");

void press(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox *>()->button(which)->click();
}

void restoreDefaults(QWidget *dialog)
{
    dialog->findChild<QPushButton *>(QStringLiteral("restoreDefaultsButton"))->click();
}

QDoubleSpinBox *spin(QWidget *dialog, const char *name)
{
    return dialog->findChild<QDoubleSpinBox *>(QString::fromLatin1(name));
}
}  // namespace

// The results table as the run's reports fill it, and the verdict rules dialog that judges
// it again.
class TestWindowResults : public WindowTestCase
{
    Q_OBJECT

private slots:
    // A row per stream under the card total, and none left of a bigger test before; the
    // labels follow the language, numbers and verdicts do not.
    void rowsAndLabels()
    {
        f.replay(5);
        f.replay(2);
        QCOMPARE(table()->rowCount(), 3);
        QCOMPARE(f.cell(2, 0), QStringLiteral("#2  Random stream #2"));
        QCOMPARE(f.cell(2, 16), QStringLiteral("--"));
        f.writePass(40.0, {20.0, 3.0});
        switchLanguage(SimplifiedChinese);
        QVERIFY(f.cell(0, 0) != QStringLiteral("Card total"));
        QVERIFY(f.cell(2, 0).startsWith(QStringLiteral("#2  ")));
        QVERIFY(f.cell(2, 0) != QStringLiteral("#2  Random stream #2"));
        QCOMPARE(f.cell(2, 4), QStringLiteral("3.00"));
        QCOMPARE(f.cell(2, 16), warnText);
        f.replay(1);
        QCOMPARE(table()->rowCount(), 1);
    }

    // Default rules: a stream needs 5 MB/s and fails below 2.5, the card total needs 20 and
    // fails below 10. Each row is judged by its own minimums, and each verdict shows in its
    // colour, faintly behind the text too.
    void writeVerdicts()
    {
        f.replay(2);
        f.writePass(9.99, {3.0, 50.0});
        const QStringList verdicts = {failText, warnText, passText};
        const QStringList colours = {"#d32f2f", "#e67e22", "#1976d2"};
        for (int row = 0; row < 3; ++row) {
            QTableWidgetItem *cell = table()->item(row, 16);
            QCOMPARE(cell->text(), verdicts[row]);
            QCOMPARE(cell->foreground().color().name(), colours[row]);
            QCOMPARE(cell->background().color().rgb(), cell->foreground().color().rgb());
        }
    }

    // Each figure of a stream in its column. Stream 1 against its average of 80: quartiles
    // 30 and 70 give a jitter of 50 %, a spread of sqrt((10*50^2 + 10*10^2) / 20) gives
    // 45.1 %, ten of twenty below 48 give 50 % drops; max and min are the extremes of the
    // 15-sample moving average, (5*30 + 10*70) / 15 and 30.
    void numberCells()
    {
        f.replay(2);
        for (int k = 0; k < 20; ++k) {
            f.window->currentRun().onWriteProgress(k * 5, 4.99, 4.99);
            f.window->currentRun().onFileWriteSample(0, k * 5, k < 10 ? 30.0 : 70.0, 1.0);
            f.window->currentRun().onFileWriteSample(1, k * 5, 25.0, 25.0);
        }
        // The final report and a report without speed set the average but add no sample.
        f.window->currentRun().onFileWriteSample(0, 100, 999.0, 2.0);
        f.window->currentRun().onFileWriteSample(0, 50, 0.0, 80.0);
        f.window->currentRun().onWriteFinished(4.99);
        const QStringList texts = {"80.00", "56.67", "30.00", "50.0%", "45.1%", "50.0%"};
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(f.cell(1, 4 + i), texts[i]);
        // The card total below the per-stream minimum of 5 MB/s shows red.
        QCOMPARE(table()->item(0, 4)->foreground().color().name(), QStringLiteral("#d32f2f"));
    }

    void readPassJudgesBoth()
    {
        f.child<QCheckBox>("readTestCheck")->click();
        f.replay(2);
        f.writePass(40.0, {20.0, 20.0});
        // With a read pass to come, the end of writing judges nothing yet.
        QCOMPARE(f.cell(0, 4), QStringLiteral("40.00"));
        QCOMPARE(f.cell(0, 16), QStringLiteral("--"));
        for (int k = 0; k < 20; ++k) {
            f.window->currentRun().onFileReadSample(0, k * 5, 60.0, 60.0);
            f.window->currentRun().onFileReadSample(1, k * 5, 60.0, 60.0);
        }
        f.window->currentRun().onReadFinished(120.0);
        QCOMPARE(f.cell(0, 10), QStringLiteral("120.00"));
        QCOMPARE(f.cell(1, 10), QStringLiteral("60.00"));
        // The card total reports no read samples: its minimum of 0 fails it.
        QCOMPARE(f.cell(0, 16), failText);
        QCOMPARE(f.cell(1, 16), passText);
    }

    // Judged again, as a new round or accepted rules do, the verdict keeps its size.
    void verdictFontDoesNotGrow()
    {
        f.replay(1);
        f.writePass(40.0, {});
        const qreal size = table()->item(0, 16)->font().pointSizeF();
        QVERIFY(size > table()->font().pointSizeF());
        f.window->currentRun().onWriteFinished(40.0);
        QCOMPARE(table()->item(0, 16)->font().pointSizeF(), size);
    }

    // Stored rules unlike the defaults in every field: Restore defaults then Cancel or Esc
    // changes nothing; then OK applies and stores the defaults, but a per-stream write
    // minimum of 10 instead of 5.
    void restoreDefaults()
    {
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
        VerdictRulesStore::saveToDefaultStore(odd);
        f.open();
        const QVariantMap before = stored();
        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            ::restoreDefaults(d);
            press(d, QDialogButtonBox::Cancel);
        }));
        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            ::restoreDefaults(d);
            QTest::keyClick(d, Qt::Key_Escape);
        }));
        QCOMPARE(f.window->verdictRules().iterCount, 42);
        QCOMPARE(stored(), before);

        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            ::restoreDefaults(d);
            press(d, QDialogButtonBox::Ok);
        }));
        VerdictRules expected = defaults;
        expected.perStreamWrite = 10.0;
        expected.enableRead = odd.enableRead;  // the window's switch, not the dialog's
        const VerdictRules reloaded = VerdictRulesStore::loadFromDefaultStore();
        for (const QString &key : VerdictRulesStore::keys()) {
            const QVariant value = VerdictRulesStore::field(expected, key);
            QVERIFY2(VerdictRulesStore::field(f.window->verdictRules(), key) == value,
                     qPrintable(key));
            QVERIFY2(VerdictRulesStore::field(reloaded, key) == value, qPrintable(key));
        }
        QCOMPARE(f.child<QDoubleSpinBox>("perStreamWriteSpin")->value(), 10.0);
    }

    // Ratios show in percent; OK keeps every rule as the dialog's decimals show it.
    void acceptStoresWhatTheDialogShows()
    {
        QSettings().setValue(QStringLiteral("verdict/jitterWarn"), 0.4567);
        f.open();
        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            QCOMPARE(spin(d, "jitterWarnSpin")->value(), 45.7);
            spin(d, "cvWarnSpin")->setValue(47.5);
            press(d, QDialogButtonBox::Ok);
        }));
        QCOMPARE(f.window->verdictRules().jitterWarn, 0.457);
        QCOMPARE(f.window->verdictRules().cvWarn, 0.475);
        QCOMPARE(stored().value("jitterWarn").toDouble(), 0.457);
    }

    void acceptJudgesLastTestAgain()
    {
        // Default rules: the 2.4 MB/s stream is below half of its 5 MB/s minimum.
        f.replay(2);
        f.writePass(40.0, {2.4, 50.0});
        QCOMPARE(f.cell(1, 16), failText);
        QVERIFY(runDialog([](VerdictRulesDialog *d) {
            spin(d, "perStreamWriteSpin")->setValue(4.0);
            spin(d, "aggWriteWarnSpin")->setValue(50.0);
            press(d, QDialogButtonBox::Ok);
        }));
        // Now 2.4 is above half of 4 but below 4, and the card's 40 is below 50.
        QCOMPARE(f.cell(0, 16), warnText);
        QCOMPARE(f.cell(1, 16), warnText);
        QCOMPARE(f.cell(1, 4), QStringLiteral("2.40"));
    }

private:
    QTableWidget *table() const { return f.child<QTableWidget>("resultsTable"); }
    QVariantMap stored() const
    {
        return WindowFixture::storedGroup(VerdictRulesStore::groupName());
    }

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
                modal->close();
            }
        });
        poll.start(10);
        f.window->openVerdictSettings();
        return seen;
    }
};

QTEST_MAIN(TestWindowResults)
#include "tst_windowresults.moc"
