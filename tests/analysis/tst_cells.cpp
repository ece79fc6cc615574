#include "resultcells.h"
#include "verdictcell.h"

#include <QTranslator>
#include <QtTest>

Q_DECLARE_METATYPE(Verdict)

namespace {
// Answers lookups by key from a small table, as the program's own translator does.
class KeyTable : public QTranslator
{
public:
    QHash<QString, QString> texts;
    QString translate(const char *, const char *key, const char *, int) const override
    {
        return texts.value(QString::fromUtf8(key));
    }
    bool isEmpty() const override { return false; }
};

const char *const kEnglishTooltip =
    "Write: jitter %1% · CV %2% · drops %3/%4 (%5%) · min %6 MB/s\n"
    "Read : jitter %7% · CV %8% · drops %9/%10 (%11%) · min %12 MB/s\n\n"
    "Rules (any subitem trips the row):\n"
    "  Fail: jitter > %13% | CV > %14% | drops > %15% | min < threshold×%16\n"
    "  Warn: jitter > %17% | CV > %18% | drops > %19% | min < threshold";

// A tooltip text that lists its nineteen arguments between bars.
QString allPlaceholders()
{
    QStringList placeholders;
    for (int i = 1; i <= 19; ++i)
        placeholders << QStringLiteral("%%1").arg(i);
    return placeholders.join('|');
}
}  // namespace

class TestCells : public QObject
{
    Q_OBJECT
private slots:
    void keysShowUntilTranslated();
    void verdictLook_data();
    void verdictLook();
    void tooltipArgumentOrder();
    void tooltipEnglish();
    void speedCell_data();
    void speedCell();
    void ratioCell_data();
    void ratioCell();
    void dropTooltip();

private:
    void install(const QHash<QString, QString> &texts);
    KeyTable m_table;
};

void TestCells::install(const QHash<QString, QString> &texts)
{
    m_table.texts = texts;
    QCoreApplication::removeTranslator(&m_table);
    QCoreApplication::installTranslator(&m_table);
}

void TestCells::keysShowUntilTranslated()
{
    QCoreApplication::removeTranslator(&m_table);
    QCOMPARE(verdictText(Verdict::Pass), QStringLiteral("VerdictPass"));
    QCOMPARE(verdictText(Verdict::Warn), QStringLiteral("VerdictWarn"));
    QCOMPARE(verdictText(Verdict::Fail), QStringLiteral("VerdictFail"));
}

void TestCells::verdictLook_data()
{
    QTest::addColumn<Verdict>("write");
    QTest::addColumn<Verdict>("read");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("color");

    QTest::newRow("pass") << Verdict::Pass << Verdict::Pass << "✓ Pass"
                          << "#1976d2";
    QTest::newRow("warn write") << Verdict::Warn << Verdict::Pass << "⚠ Warn"
                                << "#e67e22";
    QTest::newRow("warn read") << Verdict::Pass << Verdict::Warn << "⚠ Warn"
                               << "#e67e22";
    QTest::newRow("warn write, fail read") << Verdict::Warn << Verdict::Fail << "✗ Fail"
                                           << "#d32f2f";
    QTest::newRow("fail write") << Verdict::Fail << Verdict::Pass << "✗ Fail"
                                << "#d32f2f";
}

void TestCells::verdictLook()
{
    QFETCH(Verdict, write);
    QFETCH(Verdict, read);
    QFETCH(QString, text);
    QFETCH(QString, color);

    install({{"VerdictPass", "✓ Pass"},
             {"VerdictWarn", "⚠ Warn"},
             {"VerdictFail", "✗ Fail"},
             {"VerdictTooltip", allPlaceholders()}});
    const SpeedStats w;
    const VerdictCellLook look = verdictCellLook(w, write, w, read, VerdictRules());
    QCOMPARE(look.text, text);
    QCOMPARE(look.color, color);
    QCOMPARE(look.toolTip, QStringLiteral("0.0|0.0|0|0|0.0|0.00|0.0|0.0|0|0|0.0|0.00|"
                                          "65|50|20|0.50|45|36|10"));
}

void TestCells::tooltipArgumentOrder()
{
    install({{"VerdictTooltip", allPlaceholders()}});

    SpeedStats w;
    w.jitter = 0.123;
    w.cv = 0.4567;
    w.dropCount = 3;
    w.sampleCount = 40;
    w.dropRatio = 0.075;
    w.min = 12.3456;
    SpeedStats r;
    r.jitter = 1.5;
    r.cv = 0.0251;
    r.dropCount = 11;
    r.sampleCount = 7;
    r.dropRatio = 1.0 / 7;
    r.min = 88.8;
    VerdictRules rules;
    rules.jitterFail = 0.7;
    rules.cvFail = 0.55;
    rules.dropFail = 0.25;
    rules.minSpeedMult = 0.35;
    rules.jitterWarn = 0.4;
    rules.cvWarn = 0.3;
    rules.dropWarn = 0.05;

    const QStringList expected{"12.3", "45.7", "3",  "40",   "7.5",   "12.35", "150.0",
                               "2.5",  "11",   "7",  "14.3", "88.80", "70",    "55",
                               "25",   "0.35", "40", "30",   "5"};
    QCOMPARE(verdictTooltip(w, r, rules).split('|'), expected);
}

void TestCells::tooltipEnglish()
{
    install({{"VerdictTooltip", QString::fromUtf8(kEnglishTooltip)}});
    SpeedStats w;
    w.jitter = 0.5;
    w.cv = 0.25;
    w.dropCount = 2;
    w.sampleCount = 20;
    w.dropRatio = 0.1;
    w.min = 15;
    const QString expected =
        QString::fromUtf8("Write: jitter 50.0% · CV 25.0% · drops 2/20 (10.0%) · min 15.00 MB/s\n"
                          "Read : jitter 0.0% · CV 0.0% · drops 0/0 (0.0%) · min 0.00 MB/s\n\n"
                          "Rules (any subitem trips the row):\n"
                          "  Fail: jitter > 65% | CV > 50% | drops > 20% | min < threshold×0.50\n"
                          "  Warn: jitter > 45% | CV > 36% | drops > 10% | min < threshold");
    QCOMPARE(verdictTooltip(w, SpeedStats(), VerdictRules()), expected);
}

void TestCells::speedCell_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("color");

    QTest::newRow("above") << 25.0 << 5.0 << "25.00"
                           << "#1976d2";
    QTest::newRow("below") << 4.99 << 5.0 << "4.99"
                           << "#d32f2f";
    QTest::newRow("equal") << 5.0 << 5.0 << "5.00"
                           << "#1976d2";
    QTest::newRow("rounded") << 85.3666 << 5.0 << "85.37"
                             << "#1976d2";
    QTest::newRow("zero") << 0.0 << 5.0 << "0.00"
                          << "#d32f2f";
}

void TestCells::speedCell()
{
    QFETCH(double, value);
    QFETCH(double, threshold);
    QFETCH(QString, text);
    QFETCH(QString, color);
    QCOMPARE(speedCellText(value), text);
    QCOMPARE(speedCellColor(value, threshold), color);
}

void TestCells::ratioCell_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("color");

    // Against the default jitter rules, warn 0.45 and fail 0.65.
    QTest::newRow("between") << 0.5 << "50.0%"
                             << "#e67e22";
    QTest::newRow("at fail") << 0.65 << "65.0%"
                             << "#e67e22";
    QTest::newRow("above fail") << 0.66 << "66.0%"
                                << "#d32f2f";
    QTest::newRow("at warn") << 0.45 << "45.0%"
                             << "#1976d2";
    QTest::newRow("low") << 0.123 << "12.3%"
                         << "#1976d2";
    QTest::newRow("zero") << 0.0 << "0.0%"
                          << "#1976d2";
}

void TestCells::ratioCell()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QFETCH(QString, color);
    QCOMPARE(ratioCellText(value), text);
    QCOMPARE(ratioCellColor(value, 0.45, 0.65), color);
}

void TestCells::dropTooltip()
{
    install({{"VerdictDropSamples", QString::fromUtf8("%1 / %2 samples below avg×60%")}});
    SpeedStats s;
    s.dropCount = 3;
    s.sampleCount = 40;
    QCOMPARE(dropSamplesTooltip(s), QString::fromUtf8("3 / 40 samples below avg×60%"));
}

QTEST_GUILESS_MAIN(TestCells)
#include "tst_cells.moc"
