#include "mainwindow.h"
#include "windowtestkit.h"

#include <QCheckBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(StreamSource)

namespace {

const QString passText = QStringLiteral("✓ Pass");
const QString warnText = QStringLiteral("⚠ Warn");
const QString failText = QStringLiteral("✗ Fail");
const QString blue = QStringLiteral("#1976d2");
const QString orange = QStringLiteral("#e67e22");
const QString red = QStringLiteral("#d32f2f");

QString colorOf(const QString &verdict)
{
    if (verdict == failText)
        return red;
    if (verdict == warnText)
        return orange;
    return blue;
}

}  // namespace

// The results table as the engine's reports fill it: rows, number cells, verdict cells.
class TestWindowResults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void rowsForStreams_data();
    void rowsForStreams();
    void writeVerdicts_data();
    void writeVerdicts();
    void numberCells();
    void readPassJudgesBoth();
    void verdictFontDoesNotGrow();
    void languageSwitchRelabelsRows();
    void reportsOutsideTheStreams();

private:
    QTableWidget *table() const
    {
        return window->findChild<QTableWidget *>(QStringLiteral("resultsTable"));
    }
    QString text(int row, int column) const { return table()->item(row, column)->text(); }
    QString color(int row, int column) const
    {
        return table()->item(row, column)->foreground().color().name();
    }
    // Twenty reports of a steady write pass, then the final one at 100 %, then the end of
    // the pass: the card total at `card` MB/s, stream i at streams[i].
    void writePass(double card, const QVector<double> &streams);

    QTemporaryDir settingsDir;
    std::unique_ptr<MainWindow> window;
};

void TestWindowResults::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY2(startWindowEnvironment(settingsDir.path(), English), "settings are not redirected");
}

void TestWindowResults::init()
{
    switchLanguage(English);
    window = std::make_unique<MainWindow>();
}

void TestWindowResults::cleanup()
{
    window.reset();
    QSettings().remove(QStringLiteral("verdict"));
}

void TestWindowResults::writePass(double card, const QVector<double> &streams)
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

void TestWindowResults::rowsForStreams_data()
{
    QTest::addColumn<QVector<StreamSource>>("sources");
    QTest::addColumn<QStringList>("labels");

    QTest::newRow("one stream") << randomStreams(1) << QStringList{"Card total"};
    QTest::newRow("rolling write")
        << QVector<StreamSource>{{StreamSource::RollingWrite, 0, QString()}}
        << QStringList{"Card total"};
    QTest::newRow("three streams") << randomStreams(3)
                                   << QStringList{"Card total", "#1  Random stream #1",
                                                  "#2  Random stream #2", "#3  Random stream #3"};
    QTest::newRow("external files")
        << QVector<StreamSource>{{StreamSource::ExternalFile, 0, "b.mp4"},
                                 {StreamSource::ExternalFile, 0, "c%1.mp4"}}
        << QStringList{"Card total", "#1  b.mp4", "#2  c%1.mp4"};
}

void TestWindowResults::rowsForStreams()
{
    QFETCH(QVector<StreamSource>, sources);
    QFETCH(QStringList, labels);

    // A bigger test before must leave nothing behind.
    window->prepareResults(randomStreams(5));
    window->prepareResults(sources);
    QTableWidget *t = table();
    QCOMPARE(t->rowCount(), labels.size());
    for (int row = 0; row < labels.size(); ++row) {
        QCOMPARE(text(row, 0), labels[row]);
        QCOMPARE(t->columnSpan(row, 0), 4);
        QCOMPARE(t->columnSpan(row, 16), 2);
        QCOMPARE(t->item(row, 0)->font().bold(), row == 0);
        for (int column = 4; column <= 16; ++column)
            QCOMPARE(text(row, column), QStringLiteral("--"));
        if (row > 0)
            QCOMPARE(t->item(row, 0)->toolTip(), labels[row].mid(4));
    }
    QCOMPARE(color(0, 0), QStringLiteral("#333333"));
    if (labels.size() > 1)
        QCOMPARE(color(1, 0), QStringLiteral("#555555"));
}

void TestWindowResults::writeVerdicts_data()
{
    QTest::addColumn<double>("card");
    QTest::addColumn<double>("stream");
    QTest::addColumn<QString>("cardVerdict");
    QTest::addColumn<QString>("streamVerdict");

    // Default rules: streams need 5 MB/s (fail below 2.5), the card total 20 (fail below 10).
    QTest::newRow("all fast") << 40.0 << 20.0 << passText << passText;
    QTest::newRow("stream at its minimum") << 40.0 << 5.0 << passText << passText;
    QTest::newRow("stream at half its minimum") << 40.0 << 2.5 << passText << warnText;
    QTest::newRow("stream below half its minimum") << 40.0 << 2.4 << passText << failText;
    QTest::newRow("card at 20") << 20.0 << 20.0 << passText << passText;
    QTest::newRow("card at 15") << 15.0 << 20.0 << warnText << passText;
    QTest::newRow("card at 9.99") << 9.99 << 20.0 << failText << passText;
}

void TestWindowResults::writeVerdicts()
{
    QFETCH(double, card);
    QFETCH(double, stream);
    QFETCH(QString, cardVerdict);
    QFETCH(QString, streamVerdict);

    window->prepareResults(randomStreams(2));
    writePass(card, {stream, 50.0});

    const QString verdicts[] = {cardVerdict, streamVerdict, passText};
    const double mins[] = {card, stream, 50.0};
    for (int row = 0; row < 3; ++row) {
        QTableWidgetItem *cell = table()->item(row, 16);
        QCOMPARE(cell->text(), verdicts[row]);
        QCOMPARE(cell->foreground().color().name(), colorOf(verdicts[row]));
        QColor background = cell->background().color();
        QCOMPARE(background.alpha(), 35);
        background.setAlpha(255);
        QCOMPARE(background.name(), colorOf(verdicts[row]));
        QCOMPARE(int(cell->textAlignment()), int(Qt::AlignCenter));
        // A steady pass: no jitter, no spread, no drops; the minimum is the speed.
        const QString firstLine = QStringLiteral("Write: jitter 0.0% · CV 0.0% · drops 0/20 "
                                                 "(0.0%) · min %1 MB/s\n")
                                      .arg(mins[row], 0, 'f', 2);
        QVERIFY2(cell->toolTip().startsWith(firstLine), qPrintable(cell->toolTip()));
        QCOMPARE(text(row, 4), QString::number(mins[row], 'f', 2));
    }
    // Read columns stay untouched without a read pass.
    QCOMPARE(text(0, 10), QStringLiteral("--"));
}

void TestWindowResults::numberCells()
{
    window->prepareResults(randomStreams(2));
    for (int k = 0; k < 20; ++k) {
        window->onWriteProgress(k * 5, 4.99, 4.99);
        // Ten slow reports then ten fast ones, with averages that the last report replaces.
        window->onFileWriteSample(0, k * 5, k < 10 ? 30.0 : 70.0, 1.0);
        window->onFileWriteSample(1, k * 5, 25.0, 25.0);
    }
    // The final report and a report without speed set the average but add no sample.
    window->onFileWriteSample(0, 100, 999.0, 2.0);
    window->onFileWriteSample(0, 50, 0.0, 80.0);
    window->onWriteFinished(4.99);

    // Card total: below the per-stream minimum of 5 MB/s shows red.
    QCOMPARE(text(0, 4), QStringLiteral("4.99"));
    QCOMPARE(color(0, 4), red);
    QVERIFY(table()->item(0, 4)->font().bold());
    // Stream 2 at a steady 25 MB/s.
    QCOMPARE(text(2, 4), QStringLiteral("25.00"));
    QCOMPARE(color(2, 4), blue);

    // Stream 1 against its average of 80: quartiles 30 and 70 give a jitter of 50 %
    // (orange: above 45, not above 65); a spread of sqrt((10*50^2 + 10*10^2) / 20) = 36.06
    // gives 45.1 % (orange); ten of twenty below 48 give 50 % drops (red).
    QCOMPARE(text(1, 4), QStringLiteral("80.00"));
    QCOMPARE(color(1, 4), blue);
    // Extremes of the 15-sample moving average: (5*30 + 10*70) / 15 and 30.
    QCOMPARE(text(1, 5), QStringLiteral("56.67"));
    QCOMPARE(text(1, 6), QStringLiteral("30.00"));
    QCOMPARE(text(1, 7), QStringLiteral("50.0%"));
    QCOMPARE(color(1, 7), orange);
    QCOMPARE(table()->item(1, 7)->toolTip(), QString());
    QCOMPARE(text(1, 8), QStringLiteral("45.1%"));
    QCOMPARE(color(1, 8), orange);
    QCOMPARE(text(1, 9), QStringLiteral("50.0%"));
    QCOMPARE(color(1, 9), red);
    QCOMPARE(table()->item(1, 9)->toolTip(), QStringLiteral("10 / 20 samples below avg×60%"));
    QCOMPARE(text(1, 16), failText);
}

void TestWindowResults::readPassJudgesBoth()
{
    window->findChild<QCheckBox *>(QStringLiteral("readTestCheck"))->click();
    QVERIFY(window->verdictRules().enableRead);
    window->prepareResults(randomStreams(2));
    writePass(40.0, {20.0, 20.0});
    // With a read pass to come, the end of writing judges nothing yet.
    QCOMPARE(text(0, 4), QStringLiteral("40.00"));
    QCOMPARE(text(0, 16), QStringLiteral("--"));

    // The streams report reading, the card total never does.
    for (int k = 0; k < 20; ++k) {
        window->onFileReadSample(0, k * 5, 60.0, 60.0);
        window->onFileReadSample(1, k * 5, 60.0, 60.0);
    }
    window->onReadFinished(120.0);

    QCOMPARE(text(0, 10), QStringLiteral("120.00"));
    QCOMPARE(text(0, 12), QStringLiteral("0.00"));
    QCOMPARE(color(0, 12), red);
    QCOMPARE(text(1, 10), QStringLiteral("60.00"));
    // No card-total read samples: its minimum is 0, below the card-total read minimum.
    QCOMPARE(text(0, 16), failText);
    QCOMPARE(text(1, 16), passText);
    QCOMPARE(text(2, 16), passText);

    // Switching the read test off hides the columns and leaves the verdicts as they are.
    window->findChild<QCheckBox *>(QStringLiteral("readTestCheck"))->click();
    QVERIFY(table()->isColumnHidden(10));
    QCOMPARE(text(0, 16), failText);
}

void TestWindowResults::verdictFontDoesNotGrow()
{
    window->prepareResults(randomStreams(2));
    writePass(40.0, {20.0, 20.0});
    const QFont base = table()->font();
    const QFont first = table()->item(0, 16)->font();
    QCOMPARE(first.pointSizeF(), base.pointSizeF() + 6);
    QCOMPARE(first.weight(), 75);

    // Judging the same test again, as a new round or accepted rules do.
    window->onWriteFinished(40.0);
    window->onWriteFinished(40.0);
    QCOMPARE(table()->item(0, 16)->font().pointSizeF(), first.pointSizeF());
    QCOMPARE(table()->item(1, 16)->font().pointSizeF(), first.pointSizeF());
}

void TestWindowResults::languageSwitchRelabelsRows()
{
    window->prepareResults(randomStreams(2));
    writePass(40.0, {20.0, 3.0});
    switchLanguage(SimplifiedChinese);

    QCOMPARE(text(0, 0), tableText(SimplifiedChinese, "RowCardTotal"));
    QCOMPARE(text(1, 0),
             QStringLiteral("#1  ") + tableText(SimplifiedChinese, "LabelRandomStream").arg(1));
    QCOMPARE(text(2, 0),
             QStringLiteral("#2  ") + tableText(SimplifiedChinese, "LabelRandomStream").arg(2));
    // Numbers and verdicts are not touched.
    QCOMPARE(text(2, 4), QStringLiteral("3.00"));
    QCOMPARE(text(2, 16), warnText);
    QCOMPARE(table()->horizontalHeaderItem(4)->text(), tableText(SimplifiedChinese, "ColWriteAvg"));
}

void TestWindowResults::reportsOutsideTheStreams()
{
    window->prepareResults(randomStreams(2));
    window->onFileWriteSample(2, 10, 50.0, 50.0);
    window->onFileWriteSample(-1, 10, 50.0, 50.0);
    window->onFileReadSample(7, 10, 50.0, 50.0);
    const SampleCollection &samples = window->sampleCollection();
    QCOMPARE(samples.streamCount(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(samples.stream(PassDirection::Write, i).samples().isEmpty());
        QCOMPARE(samples.stream(PassDirection::Write, i).average(), 0.0);
    }
    window->onFileWriteSample(1, 10, 50.0, 45.0);
    QCOMPARE(samples.stream(PassDirection::Write, 1).samples(), QVector<double>{50.0});
    QCOMPARE(samples.stream(PassDirection::Write, 1).average(), 45.0);
}

QTEST_MAIN(TestWindowResults)
#include "tst_windowresults.moc"
