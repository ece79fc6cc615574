// Scales end on round values; labels show one decimal below 10 and none from 10 on.
#include "chartscale.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestChartScale : public QObject
{
    Q_OBJECT
private slots:
    void niceCeil_data();
    void niceCeil();
    void niceCeilLeavesNonPositive_data();
    void niceCeilLeavesNonPositive();
    void scaleMaximum_data();
    void scaleMaximum();
    void scaleLabels_data();
    void scaleLabels();
};

void TestChartScale::niceCeil_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");

    QTest::newRow("10.8 -> 12") << 10.8 << 12.0;
    QTest::newRow("54 -> 60") << 54.0 << 60.0;
    QTest::newRow("95 -> 100 (above 8 goes to the next power)") << 95.0 << 100.0;
    QTest::newRow("100 stays") << 100.0 << 100.0;
    QTest::newRow("1 stays") << 1.0 << 1.0;
    QTest::newRow("1.01 -> 1.2") << 1.01 << 1.2;
    QTest::newRow("1.3 -> 1.5") << 1.3 << 1.5;
    QTest::newRow("1.6 -> 2") << 1.6 << 2.0;
    QTest::newRow("2.2 -> 2.5") << 2.2 << 2.5;
    QTest::newRow("2.6 -> 3") << 2.6 << 3.0;
    QTest::newRow("3.5 -> 4") << 3.5 << 4.0;
    QTest::newRow("4.5 -> 5") << 4.5 << 5.0;
    QTest::newRow("5.5 -> 6") << 5.5 << 6.0;
    QTest::newRow("7 -> 8") << 7.0 << 8.0;
    QTest::newRow("8 stays") << 8.0 << 8.0;
    QTest::newRow("8.01 -> 10") << 8.01 << 10.0;
    QTest::newRow("251 -> 300") << 251.0 << 300.0;
    QTest::newRow("1234 -> 1500") << 1234.0 << 1500.0;
    QTest::newRow("0.45 -> 0.5") << 0.45 << 0.5;
    QTest::newRow("0.09 -> 0.1") << 0.09 << 0.1;
}

void TestChartScale::niceCeil()
{
    QFETCH(double, x);
    QFETCH(double, expected);
    QVERIFY2(std::abs(::niceCeil(x) - expected) <= 1e-12 * expected,
             qPrintable(QString::number(::niceCeil(x), 'g', 17)));
}

void TestChartScale::niceCeilLeavesNonPositive_data()
{
    QTest::addColumn<double>("x");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -3.5;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
}

void TestChartScale::niceCeilLeavesNonPositive()
{
    QFETCH(double, x);
    QCOMPARE(::niceCeil(x), x);
}

void TestChartScale::scaleMaximum_data()
{
    QTest::addColumn<double>("largest");
    QTest::addColumn<double>("expected");

    QTest::newRow("no data") << 0.0 << 12.0;
    QTest::newRow("slow data is lifted to 10") << 4.0 << 12.0;
    QTest::newRow("negative data") << -20.0 << 12.0;
    QTest::newRow("not a number") << std::nan("") << 12.0;
    QTest::newRow("10 exactly") << 10.0 << 12.0;
    QTest::newRow("50 MB/s: 54 -> 60") << 50.0 << 60.0;
    QTest::newRow("92 MB/s: 99.36 -> 100") << 92.0 << 100.0;
    QTest::newRow("93 MB/s: 100.44 -> 120") << 93.0 << 120.0;
    QTest::newRow("250 MB/s: 270 -> 300") << 250.0 << 300.0;
}

void TestChartScale::scaleMaximum()
{
    QFETCH(double, largest);
    QFETCH(double, expected);
    QVERIFY2(std::abs(::scaleMaximum(largest) - expected) <= 1e-12 * expected,
             qPrintable(QString::number(::scaleMaximum(largest), 'g', 17)));
}

void TestChartScale::scaleLabels_data()
{
    QTest::addColumn<double>("maximum");
    QTest::addColumn<QStringList>("labels");

    QTest::newRow("no data: 0 to 12")
        << ::scaleMaximum(0.0) << QStringList{"0.0", "2.4", "4.8", "7.2", "9.6", "12"};
    QTest::newRow("50 MB/s: 0 to 60")
        << ::scaleMaximum(50.0) << QStringList{"0.0", "12", "24", "36", "48", "60"};
    QTest::newRow("0 to 15") << 15.0 << QStringList{"0.0", "3.0", "6.0", "9.0", "12", "15"};
    QTest::newRow("0 to 40") << 40.0 << QStringList{"0.0", "8.0", "16", "24", "32", "40"};
    QTest::newRow("0 to 1500") << 1500.0 << QStringList{"0.0", "300", "600", "900", "1200", "1500"};
}

void TestChartScale::scaleLabels()
{
    QFETCH(double, maximum);
    QFETCH(QStringList, labels);
    QCOMPARE(::scaleLabels(maximum), labels);
}

QTEST_MAIN(TestChartScale)
#include "tst_chartscale.moc"
