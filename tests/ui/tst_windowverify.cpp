// The window's Verify data box: kept in the stored test settings, and a run whose data came
// back wrong shows Fail, with the reason in the verdict's tooltip, on the card total and
// on the stream whose file it was, however good the speeds.
#include "windowfixture.h"

#include <QCheckBox>
#include <QSettings>
#include <QTableWidget>
#include <QtTest>

class TestWindowVerify : public WindowTestCase
{
    Q_OBJECT
private slots:
    void boxIsStored()
    {
        f.child<QCheckBox>("verifyDataCheck")->click();
        QCOMPARE(QSettings().value(QStringLiteral("testSettings/verifyData")), QVariant(1));
        f.open();
        QVERIFY(f.child<QCheckBox>("verifyDataCheck")->isChecked());
    }

    void dataErrorFailsRows()
    {
        f.replay(2);
        DataCheck check;
        check.addGood(1048576);
        check.addWrong(DataCheck::Kind::WrapRound, 1048576, 1048576,
                       QStringLiteral("__card_speed_test_2.dat"), 1, 0);
        f.window->currentRun().onDataChecked(check);
        f.writePass(100.0, {50.0, 50.0});  // speeds that pass every rule

        const auto *table = f.child<QTableWidget>("resultsTable");
        const QString fail = tr("VerdictFail");
        QCOMPARE(f.cell(0, 16), fail);
        QCOMPARE(f.cell(1, 16), tr("VerdictPass"));
        QCOMPARE(f.cell(2, 16), fail);
        QVERIFY2(table->item(0, 16)->toolTip().startsWith(QStringLiteral("Data: 1 blocks (")),
                 qPrintable(table->item(0, 16)->toolTip()));
        QVERIFY(table->item(0, 16)->toolTip().contains(QStringLiteral("__card_speed_test_2.dat")));
    }
};

QTEST_MAIN(TestWindowVerify)
#include "tst_windowverify.moc"
