// Where the chart puts things: the plot between the two scales, the halves, the grid, the
// labels and the legend. Expected values are worked out by hand from the layout rules.
#include "chartgeometry.h"

#include <QtTest>

class TestChartGeometry : public QObject
{
    Q_OBJECT
private slots:
    void plot_data();
    void plot();
    void halves_data();
    void halves();
    void grid_data();
    void grid();
    void labelBoxes();
    void legend_data();
    void legend();
};

void TestChartGeometry::plot_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("readVisible");
    QTest::addColumn<QRect>("plot");
    QTest::addColumn<double>("middle");
    QTest::addColumn<int>("titleWidth");

    // 55 pixels left for the write scale, 14 above, 21 below; 55 right of the plot for the
    // read scale, or only 10 without it.
    QTest::newRow("1300 x 400 with read half")
        << QSize(1300, 400) << true << QRect(QPoint(55, 14), QPoint(1244, 379)) << 650.0 << 595;
    QTest::newRow("1300 x 400 without read half")
        << QSize(1300, 400) << false << QRect(QPoint(55, 14), QPoint(1289, 379)) << 1290.0 << 1235;
    // An odd plot width puts the divider between two pixels.
    QTest::newRow("901 x 300 with read half")
        << QSize(901, 300) << true << QRect(QPoint(55, 14), QPoint(845, 279)) << 450.5 << 395;
    QTest::newRow("minimum height")
        << QSize(600, 160) << true << QRect(QPoint(55, 14), QPoint(544, 139)) << 300.0 << 245;
}

void TestChartGeometry::plot()
{
    QFETCH(QSize, size);
    QFETCH(bool, readVisible);
    QFETCH(QRect, plot);
    QFETCH(double, middle);
    QFETCH(int, titleWidth);

    const ChartGeometry g = chartGeometry(size, readVisible);
    QCOMPARE(g.plot, plot);
    QCOMPARE(QRect(QPoint(g.x1, g.y1), QPoint(g.x2, g.y2)), plot);
    QCOMPARE(g.plotWidth, plot.width());
    QCOMPARE(g.plotHeight, plot.height());
    QCOMPARE(g.writeStart, 55.0);
    QCOMPARE(g.middle, middle);
    QCOMPARE(g.titleWidth, titleWidth);
    QCOMPARE(g.writeTitleBox(), QRect(55, plot.bottom() + 2, titleWidth, 18));
    QCOMPARE(g.readTitleBox(), QRect(int(middle), plot.bottom() + 2, titleWidth, 18));
}

void TestChartGeometry::halves_data()
{
    QTest::addColumn<bool>("readVisible");
    QTest::addColumn<int>("percent");
    QTest::addColumn<double>("writeX");
    QTest::addColumn<double>("readX");

    // 1300 wide: write half 55 .. 650, read half 650 .. 1244.
    QTest::newRow("0 %") << true << 0 << 55.0 << 650.0;
    QTest::newRow("50 %") << true << 50 << 352.5 << 947.0;
    QTest::newRow("100 %") << true << 100 << 650.0 << 1244.0;
    // Without the read half the write half is the whole plot, 55 .. 1290, and the read half
    // runs from just beyond the plot back to its right edge.
    QTest::newRow("0 %, read hidden") << false << 0 << 55.0 << 1290.0;
    QTest::newRow("25 %, read hidden") << false << 25 << 363.75 << 1289.75;
    QTest::newRow("100 %, read hidden") << false << 100 << 1290.0 << 1289.0;
}

void TestChartGeometry::halves()
{
    QFETCH(bool, readVisible);
    QFETCH(int, percent);
    QFETCH(double, writeX);
    QFETCH(double, readX);

    const ChartGeometry g = chartGeometry(QSize(1300, 400), readVisible);
    QCOMPARE(g.writeX(percent), writeX);
    QCOMPARE(g.readX(percent), readX);
}

void TestChartGeometry::grid_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("y");

    // Plot rows 14 .. 379, PH = 366; y = 379 - (366 * i) / 5, truncated.
    QTest::newRow("bottom") << 0 << 379;
    QTest::newRow("1") << 1 << 306;
    QTest::newRow("2") << 2 << 233;
    QTest::newRow("3") << 3 << 160;
    QTest::newRow("4") << 4 << 87;
    QTest::newRow("top") << 5 << 13;
}

void TestChartGeometry::grid()
{
    QFETCH(int, line);
    QFETCH(int, y);
    const ChartGeometry g = chartGeometry(QSize(1300, 400), true);
    QCOMPARE(g.gridY(line), y);
    QCOMPARE(g.writeLabelBox(line), QRect(QPoint(0, y - 8), QPoint(50, y + 7)));
    QCOMPARE(g.readLabelBox(line), QRect(QPoint(1248, y - 8), QPoint(1294, y + 7)));
}

void TestChartGeometry::labelBoxes()
{
    const ChartGeometry g = chartGeometry(QSize(1300, 400), true);
    QCOMPARE(g.writeUnitBox(), QRect(QPoint(0, 0), QPoint(50, 13)));
    QCOMPARE(g.readUnitBox(), QRect(QPoint(1248, 0), QPoint(1294, 13)));
    QCOMPARE(g.speedY(0.0, 60.0), 379.0);
    QCOMPARE(g.speedY(60.0, 60.0), 13.0);
    QCOMPARE(g.speedY(30.0, 60.0), 196.0);
}

void TestChartGeometry::legend_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("left");

    // 34 pixels per item, the row centred on the plot.
    QTest::newRow("1300 wide, 2 streams") << QSize(1300, 400) << 2 << 616;    // 55 + 1122 / 2
    QTest::newRow("1300 wide, 9 streams") << QSize(1300, 400) << 9 << 497;    // 55 + 884 / 2
    QTest::newRow("1300 wide, 16 streams") << QSize(1300, 400) << 16 << 378;  // 55 + 646 / 2
    // Wider than the plot: the row starts left of it, truncated towards zero.
    QTest::newRow("301 wide, 16 streams") << QSize(301, 300) << 16 << -121;  // 55 - 176.5
}

void TestChartGeometry::legend()
{
    QFETCH(QSize, size);
    QFETCH(int, count);
    QFETCH(int, left);

    const ChartGeometry g = chartGeometry(size, true);
    QCOMPARE(g.legendLeft(count), left);
    QCOMPARE(g.legendSwatch(left, 0), QRect(left, 19, 10, 10));
    QCOMPARE(g.legendText(left, 0), QRect(left + 13, 18, 22, 12));
    QCOMPARE(g.legendSwatch(left, count - 1), QRect(left + 34 * (count - 1), 19, 10, 10));
}

QTEST_MAIN(TestChartGeometry)
#include "tst_chartgeometry.moc"
