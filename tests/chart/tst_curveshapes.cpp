// The shapes a curve is drawn with: the line's segments, the area's outline and its strips.
#include "curveshapes.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

using Points = QVector<QPointF>;
using Lines = QVector<QLineF>;

class TestCurveShapes : public QObject
{
    Q_OBJECT
private slots:
    void lineSegments_data();
    void lineSegments();
    void areaOutline_data();
    void areaOutline();
    void clipToColumns();
    void stripsCoverTheOutline_data();
    void stripsCoverTheOutline();
};

void TestCurveShapes::lineSegments_data()
{
    QTest::addColumn<Points>("vertices");
    QTest::addColumn<Lines>("spans");
    QTest::addColumn<Lines>("links");

    QTest::newRow("nothing") << Points{} << Lines{} << Lines{};
    QTest::newRow("one point draws nothing") << Points{{5, 5}} << Lines{} << Lines{};
    QTest::newRow("a polyline is its links") << Points{{0, 10}, {2, 4}, {5, 8}} << Lines{}
                                             << Lines{QLineF(0, 10, 2, 4), QLineF(2, 4, 5, 8)};
    // Up and down on x = 2 between 3 and 9: one span; the curve arrives at 6 and leaves at
    // 4.
    QTest::newRow("a run on one x is one span")
        << Points{{0, 5}, {2, 6}, {2, 3}, {2, 9}, {2, 4}, {4, 4}} << Lines{QLineF(2, 3, 2, 9)}
        << Lines{QLineF(0, 5, 2, 6), QLineF(2, 4, 4, 4)};
    QTest::newRow("the start on the half's edge joins the first run")
        << Points{{0, 7}, {0, 7}, {0, 2}, {3, 2}} << Lines{QLineF(0, 2, 0, 7)}
        << Lines{QLineF(0, 2, 3, 2)};
    QTest::newRow("a curve going back")
        << Points{{5, 1}, {3, 2}, {3, 8}, {6, 8}} << Lines{QLineF(3, 2, 3, 8)}
        << Lines{QLineF(5, 1, 3, 2), QLineF(3, 8, 6, 8)};
}

void TestCurveShapes::lineSegments()
{
    QFETCH(Points, vertices);
    QFETCH(Lines, spans);
    QFETCH(Lines, links);
    const LineSegments segments = ::lineSegments(vertices);
    QCOMPARE(segments.spans, spans);
    QCOMPARE(segments.links, links);
}

void TestCurveShapes::areaOutline_data()
{
    QTest::addColumn<Points>("vertices");
    QTest::addColumn<Points>("outline");

    QTest::newRow("nothing") << Points{} << Points{};
    QTest::newRow("a slope") << Points{{0, 4}, {10, 2}}
                             << Points{{0, 20}, {0, 4}, {10, 2}, {10, 20}};
    // On x = 5 the curve goes 6, 1, 9, 3: only where it arrives and leaves bound the area.
    QTest::newRow("a run keeps its ends")
        << Points{{0, 4}, {5, 6}, {5, 1}, {5, 9}, {5, 3}, {8, 3}}
        << Points{{0, 20}, {0, 4}, {5, 6}, {5, 3}, {8, 3}, {8, 20}};
    QTest::newRow("a run at the half's edge")
        << Points{{0, 4}, {0, 1}, {0, 7}, {2, 7}} << Points{{0, 20}, {0, 7}, {2, 7}, {2, 20}};
}

void TestCurveShapes::areaOutline()
{
    QFETCH(Points, vertices);
    QFETCH(Points, outline);
    QCOMPARE(::areaOutline(vertices, 20.0), QPolygonF(outline));
}

void TestCurveShapes::clipToColumns()
{
    const QPolygonF triangle(Points{{0, 10}, {10, 0}, {10, 10}});
    const QPolygonF clipped = ::clipToColumns(triangle, 2, 6);
    QCOMPARE(clipped.boundingRect(), QRectF(2, 4, 4, 6));
    for (const QPointF &p : clipped)
        QVERIFY(p.x() >= 2 && p.x() <= 6);
    QVERIFY(::clipToColumns(triangle, 20, 30).isEmpty());
}

void TestCurveShapes::stripsCoverTheOutline_data()
{
    QTest::addColumn<Points>("vertices");

    Points rising, zigzag, sawtooth;
    for (int i = 0; i <= 100; ++i) {
        const double x = 10.3 + 5.87 * i;
        rising.append(QPointF(x, 150.0 - i - 20.0 * ((i * 37) % 11) / 11.0));
        zigzag.append(QPointF(x, 60.0 + 50.0 * ((i * 53) % 17) / 17.0));
        zigzag.append(QPointF(x, 30.0 + 80.0 * ((i * 29) % 13) / 13.0));
        // Three passes over the same columns, as a curve whose percent starts again.
        sawtooth.append(QPointF(10.3 + 17.61 * (i % 34), 40.0 + (i * 7) % 90));
    }
    QTest::newRow("rising and noisy") << rising;
    QTest::newRow("two points per column") << zigzag;
    QTest::newRow("going back over itself") << sawtooth;
}

// The strips, filled one by one with a translucent brush, must give the picture of the whole
// outline filled at once: no seam where two strips meet, nothing missing, nothing twice.
void TestCurveShapes::stripsCoverTheOutline()
{
    QFETCH(Points, vertices);
    const QPolygonF outline = ::areaOutline(vertices, 190.0);
    const QVector<QPolygonF> strips = areaStrips(outline, 32);
    QVERIFY(strips.size() > 3);

    auto fill = [](const QVector<QPolygonF> &polygons) {
        QImage image(620, 200, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(33, 150, 243, 90));
        for (const QPolygonF &polygon : polygons)
            p.drawPolygon(polygon);
        return image;
    };
    const QImage whole = fill({outline});
    const QImage inStrips = fill(strips);

    int worst = 0;
    for (int y = 0; y < whole.height(); ++y) {
        for (int x = 0; x < whole.width(); ++x) {
            const QRgb a = whole.pixel(x, y);
            const QRgb b = inStrips.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    }
    QVERIFY2(worst <= 2, qPrintable(QStringLiteral("largest channel difference %1").arg(worst)));
}

QTEST_MAIN(TestCurveShapes)
#include "tst_curveshapes.moc"
