#include "windowfixture.h"

Q_DECLARE_METATYPE(StreamSource)

namespace {

const QString passText = QStringLiteral("✓ Pass");
const QString warnText = QStringLiteral("⚠ Warn");
const QString failText = QStringLiteral("✗ Fail");
const QString blue = QStringLiteral("#1976d2");
const QString orange = QStringLiteral("#e67e22");
const QString red = QStringLiteral("#d32f2f");

}  // namespace

// The results table as the engine's reports fill it: rows, number cells, verdict cells.
class TestWindowResults : public WindowTestCase
{
    Q_OBJECT

private slots:
    void rowsForStreams_data()
    {
        QTest::addColumn<QVector<StreamSource>>("sources");
        QTest::addColumn<QStringList>("labels");

        QTest::newRow("one stream") << randomStreams(1) << QStringList{"Card total"};
        QTest::newRow("rolling write")
            << QVector<StreamSource>{{StreamSource::RollingWrite, 0, QString()}}
            << QStringList{"Card total"};
        QTest::newRow("three streams")
            << randomStreams(3)
            << QStringList{"Card total", "#1  Random stream #1", "#2  Random stream #2",
                           "#3  Random stream #3"};
        QTest::newRow("external files")
            << QVector<StreamSource>{{StreamSource::ExternalFile, 0, "b.mp4"},
                                     {StreamSource::ExternalFile, 0, "c%1.mp4"}}
            << QStringList{"Card total", "#1  b.mp4", "#2  c%1.mp4"};
    }

    void rowsForStreams()
    {
        QFETCH(QVector<StreamSource>, sources);
        QFETCH(QStringList, labels);

        // A bigger test before must leave nothing behind.
        f.replay(randomStreams(5));
        f.replay(sources);
        auto *table = f.child<QTableWidget>("resultsTable");
        QCOMPARE(table->rowCount(), labels.size());
        for (int row = 0; row < labels.size(); ++row) {
            QCOMPARE(f.cell(row, 0), labels[row]);
            QCOMPARE(table->columnSpan(row, 0), 4);
            QCOMPARE(table->columnSpan(row, 16), 2);
            QCOMPARE(item(row, 0)->font().bold(), row == 0);
            QCOMPARE(color(row, 0), QLatin1String(row == 0 ? "#333333" : "#555555"));
            for (int column = 4; column <= 16; ++column)
                QCOMPARE(f.cell(row, column), QStringLiteral("--"));
            if (row > 0)
                QCOMPARE(item(row, 0)->toolTip(), labels[row].mid(4));
        }
    }

    void writeVerdicts_data()
    {
        QTest::addColumn<double>("card");
        QTest::addColumn<double>("stream");
        QTest::addColumn<QString>("cardVerdict");
        QTest::addColumn<QString>("streamVerdict");

        // Default rules: streams need 5 MB/s (fail below 2.5), the card total 20 (fail below
        // 10); each row is judged by its own minimums.
        QTest::newRow("all fast") << 40.0 << 20.0 << passText << passText;
        QTest::newRow("stream at half its minimum") << 40.0 << 2.5 << passText << warnText;
        QTest::newRow("stream below half its minimum") << 40.0 << 2.4 << passText << failText;
        QTest::newRow("card at 15") << 15.0 << 20.0 << warnText << passText;
        QTest::newRow("card at 9.99") << 9.99 << 20.0 << failText << passText;
    }

    void writeVerdicts()
    {
        QFETCH(double, card);
        QFETCH(double, stream);
        QFETCH(QString, cardVerdict);
        QFETCH(QString, streamVerdict);

        f.replay(randomStreams(2));
        f.writePass(card, {stream, 50.0});

        const QString verdicts[] = {cardVerdict, streamVerdict, passText};
        const double mins[] = {card, stream, 50.0};
        for (int row = 0; row < 3; ++row) {
            const QString expectedColor = verdicts[row] == failText   ? red
                                          : verdicts[row] == warnText ? orange
                                                                      : blue;
            QTableWidgetItem *cell = item(row, 16);
            QCOMPARE(cell->text(), verdicts[row]);
            QCOMPARE(cell->foreground().color().name(), expectedColor);
            // The same colour, faint, behind the text.
            QColor background = cell->background().color();
            QCOMPARE(background.alpha(), 35);
            background.setAlpha(255);
            QCOMPARE(background.name(), expectedColor);
            QCOMPARE(int(cell->textAlignment()), int(Qt::AlignCenter));
            // A steady pass: no jitter, no spread, no drops; the minimum is the speed.
            const QString firstLine = QStringLiteral("Write: jitter 0.0% · CV 0.0% · drops 0/20 "
                                                     "(0.0%) · min %1 MB/s\n")
                                          .arg(mins[row], 0, 'f', 2);
            QVERIFY2(cell->toolTip().startsWith(firstLine), qPrintable(cell->toolTip()));
            QCOMPARE(f.cell(row, 4), QString::number(mins[row], 'f', 2));
        }
        // Read columns stay untouched without a read pass.
        QCOMPARE(f.cell(0, 10), QStringLiteral("--"));
    }

    void numberCells()
    {
        f.replay(randomStreams(2));
        for (int k = 0; k < 20; ++k) {
            f.window->currentRun().onWriteProgress(k * 5, 4.99, 4.99);
            // Ten slow reports then ten fast ones, with averages that the last report replaces.
            f.window->currentRun().onFileWriteSample(0, k * 5, k < 10 ? 30.0 : 70.0, 1.0);
            f.window->currentRun().onFileWriteSample(1, k * 5, 25.0, 25.0);
        }
        // The final report and a report without speed set the average but add no sample.
        f.window->currentRun().onFileWriteSample(0, 100, 999.0, 2.0);
        f.window->currentRun().onFileWriteSample(0, 50, 0.0, 80.0);
        f.window->currentRun().onWriteFinished(4.99);

        // Card total: below the per-stream minimum of 5 MB/s shows red, in bold.
        QCOMPARE(f.cell(0, 4), QStringLiteral("4.99"));
        QCOMPARE(color(0, 4), red);
        QVERIFY(item(0, 4)->font().bold());
        QCOMPARE(f.cell(2, 4), QStringLiteral("25.00"));
        QCOMPARE(color(2, 4), blue);

        // Stream 1 against its average of 80: quartiles 30 and 70 give a jitter of 50 %
        // (orange: above 45, not above 65); a spread of sqrt((10*50^2 + 10*10^2) / 20) = 36.06
        // gives 45.1 % (orange); ten of twenty below 48 give 50 % drops (red). Max and min are
        // the extremes of the 15-sample moving average: (5*30 + 10*70) / 15 and 30.
        const QStringList texts = {"80.00", "56.67", "30.00", "50.0%", "45.1%", "50.0%"};
        const QStringList colors = {blue, "", "", orange, orange, red};
        for (int i = 0; i < texts.size(); ++i) {
            QCOMPARE(f.cell(1, 4 + i), texts[i]);
            if (!colors[i].isEmpty())
                QCOMPARE(color(1, 4 + i), colors[i]);
        }
        QCOMPARE(item(1, 7)->toolTip(), QString());
        QCOMPARE(item(1, 9)->toolTip(), QStringLiteral("10 / 20 samples below avg×60%"));
        QCOMPARE(f.cell(1, 16), failText);
    }

    void readPassJudgesBoth()
    {
        f.child<QCheckBox>("readTestCheck")->click();
        f.replay(randomStreams(2));
        f.writePass(40.0, {20.0, 20.0});
        // With a read pass to come, the end of writing judges nothing yet.
        QCOMPARE(f.cell(0, 4), QStringLiteral("40.00"));
        QCOMPARE(f.cell(0, 16), QStringLiteral("--"));

        // The streams report reading, the card total never does.
        for (int k = 0; k < 20; ++k) {
            f.window->currentRun().onFileReadSample(0, k * 5, 60.0, 60.0);
            f.window->currentRun().onFileReadSample(1, k * 5, 60.0, 60.0);
        }
        f.window->currentRun().onReadFinished(120.0);

        QCOMPARE(f.cell(0, 10), QStringLiteral("120.00"));
        QCOMPARE(f.cell(1, 10), QStringLiteral("60.00"));
        // No card-total read samples: its minimum is 0, below the card-total read minimum.
        QCOMPARE(f.cell(0, 12), QStringLiteral("0.00"));
        QCOMPARE(color(0, 12), red);
        QCOMPARE(f.cell(0, 16), failText);
        QCOMPARE(f.cell(1, 16), passText);
        QCOMPARE(f.cell(2, 16), passText);

        // Switching the read test off hides the columns and leaves the verdicts as they are.
        f.child<QCheckBox>("readTestCheck")->click();
        QVERIFY(f.hiddenColumns().contains(10));
        QCOMPARE(f.cell(0, 16), failText);
    }

    void verdictFontDoesNotGrow()
    {
        f.replay(randomStreams(2));
        f.writePass(40.0, {20.0, 20.0});
        const QFont first = item(0, 16)->font();
        QCOMPARE(first.pointSizeF(),
                 f.child<QTableWidget>("resultsTable")->font().pointSizeF() + 6);
        QCOMPARE(first.weight(), int(QFont::Bold));

        // Judging the same test again, as a new round or accepted rules do.
        f.window->currentRun().onWriteFinished(40.0);
        f.window->currentRun().onWriteFinished(40.0);
        QCOMPARE(item(0, 16)->font().pointSizeF(), first.pointSizeF());
        QCOMPARE(item(1, 16)->font().pointSizeF(), first.pointSizeF());
    }

    void languageSwitchRelabelsRows()
    {
        f.replay(randomStreams(2));
        f.writePass(40.0, {20.0, 3.0});
        switchLanguage(SimplifiedChinese);

        const QString stream = tableText(SimplifiedChinese, "LabelRandomStream");
        QCOMPARE(f.cell(0, 0), tableText(SimplifiedChinese, "RowCardTotal"));
        QCOMPARE(f.cell(1, 0), QStringLiteral("#1  ") + stream.arg(1));
        QCOMPARE(f.cell(2, 0), QStringLiteral("#2  ") + stream.arg(2));
        // Numbers and verdicts are not touched.
        QCOMPARE(f.cell(2, 4), QStringLiteral("3.00"));
        QCOMPARE(f.cell(2, 16), warnText);
    }

private:
    QTableWidgetItem *item(int row, int column) const
    {
        return f.child<QTableWidget>("resultsTable")->item(row, column);
    }
    QString color(int row, int column) const
    {
        return item(row, column)->foreground().color().name();
    }
};

QTEST_MAIN(TestWindowResults)
#include "tst_windowresults.moc"
