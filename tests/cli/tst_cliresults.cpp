// The results table as the terminal shows it: its columns and blocks, its alignment with
// wide characters, and the window's colours as ANSI escapes.
#include "i18n.h"
#include "isolatedsettings.h"
#include "resultstable.h"
#include "terminalstyle.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TerminalStyle::Mode)

namespace {
SpeedStats stats(double avg, double max, double min, double jitter, double cv, double drop)
{
    SpeedStats s;
    s.avg = avg;
    s.max = max;
    s.min = min;
    s.jitter = jitter;
    s.cv = cv;
    s.dropRatio = drop;
    s.sampleCount = 40;
    s.dropCount = int(drop * 40);
    return s;
}

// A card total and two streams with made-up figures and verdicts.
QVector<ResultRow> sampleRows()
{
    RowResult card;
    card.write = stats(40.0, 52.5, 31.25, 0.1, 0.12, 0.0);
    card.read = stats(88.0, 90.0, 85.0, 0.02, 0.03, 0.0);
    RowResult first;
    first.write = stats(20.0, 26.0, 15.0, 0.5, 0.4, 0.15);
    first.read = stats(44.0, 45.0, 43.0, 0.01, 0.02, 0.0);
    first.verdicts.write = Verdict::Warn;
    RowResult second;
    second.write = stats(20.0, 1234.56, 2.0, 0.7, 0.6, 0.25);
    second.read = stats(44.0, 45.0, 43.0, 0.01, 0.02, 0.0);
    second.verdicts.write = Verdict::Fail;
    return ResultsTable::rows({card, first, second},
                              {QStringLiteral("clip.mp4"), QStringLiteral("行车记录.mp4")});
}

// The display columns of a line, one string per column; a wide character fills two, the
// second of them empty.
QStringList cells(const QString &line)
{
    QStringList out;
    for (uint cp : line.toUcs4()) {
        const QString ch = QString::fromUcs4(&cp, 1);
        out << ch;
        if (displayWidth(ch) == 2)
            out << QString();
    }
    return out;
}

QList<QStringList> blocks(const QStringList &lines)
{
    QList<QStringList> result{{}};
    for (const QString &line : lines) {
        if (line.isEmpty())
            result.append(QStringList());
        else
            result.last() << line;
    }
    return result;
}
}  // namespace

class TestCliResults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void applyingALanguageStoresNothing();
    void displayWidth_data();
    void displayWidth();
    void elide_data();
    void elide();
    void paletteIndex_data();
    void paletteIndex();
    void styleMode_data();
    void styleMode();
    void rowLabels();
    void blocksAndHeaders_data();
    void blocksAndHeaders();
    void columnsStayAligned_data();
    void columnsStayAligned();
    void cellColours_data();
    void cellColours();

private:
    QTemporaryDir m_dir;
};

void TestCliResults::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(isolateSettings(m_dir.path()));
    I18n::instance()->applyLanguage(English);
}

void TestCliResults::cleanup()
{
    I18n::instance()->applyLanguage(English);
    qunsetenv("NO_COLOR");
    qunsetenv("COLORTERM");
}

void TestCliResults::applyingALanguageStoresNothing()
{
    QSignalSpy changed(I18n::instance(), &I18n::languageChanged);
    I18n::instance()->applyLanguage(TraditionalChinese);
    QCOMPARE(I18n::instance()->language(), TraditionalChinese);
    QCOMPARE(QCoreApplication::translate("x", "RowCardTotal"), QStringLiteral("整卡合計"));
    I18n::instance()->applyLanguage(English);
    QCOMPARE(QCoreApplication::translate("x", "RowCardTotal"), QStringLiteral("Card total"));
    QCOMPARE(changed.count(), 0);
    Language stored = SimplifiedChinese;
    QVERIFY(!I18n::storedLanguage(&stored));
    QVERIFY(!QSettings().contains(QStringLiteral("ui/language")));
}

void TestCliResults::displayWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");

    QTest::newRow("ascii") << "Write Avg" << 9;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("simplified") << "写入平均" << 8;
    QTest::newRow("traditional with blank") << "寫入 CV" << 7;
    QTest::newRow("verdict marks are narrow") << "✓ Pass" << 6;
    QTest::newRow("fullwidth colon") << "轮数：" << 6;
    QTest::newRow("hangul") << "한국" << 4;
}

void TestCliResults::displayWidth()
{
    QFETCH(QString, text);
    QTEST(::displayWidth(text), "width");
}

void TestCliResults::elide_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("shown");

    QTest::newRow("fits") << "clip.mp4" << 8 << "clip.mp4";
    QTest::newRow("cut") << "a-very-long-name.mp4" << 10 << "a-very-...";
    QTest::newRow("wide characters not split") << "行车记录仪视频" << 8 << "行车...";
}

void TestCliResults::elide()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, shown);
    QCOMPARE(elideToWidth(text, width), shown);
    QVERIFY(::displayWidth(elideToWidth(text, width)) <= width);
}

void TestCliResults::paletteIndex_data()
{
    QTest::addColumn<QString>("color");
    QTest::addColumn<int>("index");

    // Worked out by hand on the cube levels 0, 95, 135, 175, 215, 255.
    QTest::newRow("good #1976d2") << "#1976d2" << 16 + 0 * 36 + 2 * 6 + 4;
    QTest::newRow("warn #e67e22") << "#e67e22" << 16 + 4 * 36 + 2 * 6 + 0;
    QTest::newRow("bad #d32f2f") << "#d32f2f" << 16 + 4 * 36 + 0 * 6 + 0;
    QTest::newRow("white") << "#ffffff" << 231;
    QTest::newRow("black") << "#000000" << 16;
}

void TestCliResults::paletteIndex()
{
    QFETCH(QString, color);
    QTEST(TerminalStyle::paletteIndex(color), "index");
}

void TestCliResults::styleMode_data()
{
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<QByteArray>("noColor");  // "-": unset
    QTest::addColumn<QByteArray>("colorTerm");
    QTest::addColumn<TerminalStyle::Mode>("mode");

    using M = TerminalStyle::Mode;
    QTest::newRow("pipe") << false << QByteArray("-") << QByteArray("truecolor") << M::Plain;
    QTest::newRow("terminal") << true << QByteArray("-") << QByteArray("-") << M::Palette256;
    QTest::newRow("truecolor") << true << QByteArray("-") << QByteArray("truecolor")
                               << M::TrueColor;
    QTest::newRow("24bit") << true << QByteArray("-") << QByteArray("24bit") << M::TrueColor;
    QTest::newRow("NO_COLOR") << true << QByteArray("1") << QByteArray("truecolor") << M::Plain;
    QTest::newRow("NO_COLOR empty") << true << QByteArray("") << QByteArray("-") << M::Palette256;
}

void TestCliResults::styleMode()
{
    QFETCH(bool, terminal);
    QFETCH(QByteArray, noColor);
    QFETCH(QByteArray, colorTerm);
    if (noColor != "-")
        qputenv("NO_COLOR", noColor);
    if (colorTerm != "-")
        qputenv("COLORTERM", colorTerm);
    QTEST(TerminalStyle::modeFor(terminal), "mode");
}

void TestCliResults::rowLabels()
{
    const QVector<ResultRow> rows = sampleRows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].label, QStringLiteral("Card total"));
    QCOMPARE(rows[1].label, QStringLiteral("#1  clip.mp4"));
    QCOMPARE(rows[2].label, QStringLiteral("#2  行车记录.mp4"));

    // One stream: the card-total row alone.
    QCOMPARE(ResultsTable::rows({RowResult()}, {QStringLiteral("x")}).size(), 1);
}

void TestCliResults::blocksAndHeaders_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QStringList>("firstHeader");
    QTest::addColumn<QStringList>("secondHeader");  // empty: one block only
    QTest::addColumn<QString>("cardTotal");
    QTest::addColumn<QString>("fail");

    const QStringList write = {"File",         "Write Avg", "Write Max", "Write Min",
                               "Write Jitter", "Write CV",  "Write Drop"};
    const QStringList read = {"File",        "Read Avg", "Read Max",  "Read Min",
                              "Read Jitter", "Read CV",  "Read Drop", "Verdict"};
    QTest::newRow("English, write only")
        << English << false << (write + QStringList{"Verdict"}) << QStringList() << "Card total"
        << "✗ Fail";
    QTest::newRow("English, with read") << English << true << write << read << "Card total"
                                        << "✗ Fail";
    QTest::newRow("Traditional Chinese, with read")
        << TraditionalChinese << true << QStringList{"檔案",     "寫入平均", "寫入最大", "寫入最小",
                                                     "寫入抖動", "寫入 CV",  "寫入掉速"}
        << QStringList{"檔案",     "讀取平均", "讀取最大", "讀取最小",
                       "讀取抖動", "讀取 CV",  "讀取掉速", "判定"}
        << "整卡合計"
        << "✗ 未達標";
    QTest::newRow("Simplified Chinese, write only")
        << SimplifiedChinese << false << QStringList{"文件",     "写入平均", "写入最大", "写入最小",
                                                     "写入抖动", "写入 CV",  "写入掉速", "判定"}
        << QStringList() << "整卡合计"
        << "✗ 不达标";
}

void TestCliResults::blocksAndHeaders()
{
    QFETCH(Language, language);
    QFETCH(bool, read);
    QFETCH(QStringList, firstHeader);
    QFETCH(QStringList, secondHeader);
    QFETCH(QString, cardTotal);
    QFETCH(QString, fail);

    I18n::instance()->applyLanguage(language);
    VerdictRules rules;
    rules.enableRead = read;
    const QVector<ResultRow> rows =
        ResultsTable::rows({sampleRows()[0].result, sampleRows()[1].result, sampleRows()[2].result},
                           {QStringLiteral("a"), QStringLiteral("b")});
    const QStringList lines = ResultsTable::format(rows, rules, TerminalStyle());
    const QList<QStringList> parts = blocks(lines);
    QCOMPARE(parts.size(), secondHeader.isEmpty() ? 1 : 2);

    // Headers are separated by two blanks at least; a header may hold one blank itself.
    auto headerWords = [](const QString &line) {
        return line.split(QRegularExpression(QStringLiteral(" {2,}")), Qt::SkipEmptyParts);
    };
    QCOMPARE(headerWords(parts[0][0]), firstHeader);
    if (!secondHeader.isEmpty())
        QCOMPARE(headerWords(parts[1][0]), secondHeader);
    for (const QStringList &block : parts) {
        QCOMPARE(block.size(), 2 + 3);  // header, rule, three rows
        QVERIFY2(block[2].startsWith(cardTotal), qPrintable(block[2]));
    }
    // The third row (the second stream) is judged Fail; the verdict closes the last block.
    QVERIFY2(parts.last()[4].endsWith(fail), qPrintable(parts.last()[4]));
    for (const QString &line : lines)
        QVERIFY2(!line.contains(QLatin1Char('\x1b')) && !line.endsWith(QLatin1Char(' ')),
                 qPrintable(line));
}

void TestCliResults::columnsStayAligned_data()
{
    QTest::addColumn<Language>("language");
    QTest::newRow("English") << English;
    QTest::newRow("Simplified Chinese") << SimplifiedChinese;
    QTest::newRow("Traditional Chinese") << TraditionalChinese;
}

void TestCliResults::columnsStayAligned()
{
    QFETCH(Language, language);
    I18n::instance()->applyLanguage(language);
    VerdictRules rules;
    rules.enableRead = true;
    const QStringList lines = ResultsTable::format(sampleRows(), rules, TerminalStyle());

    for (const QStringList &block : blocks(lines)) {
        // The rule line marks every column with dashes and the gaps with blanks.
        const QStringList rule = cells(block[1]);
        QVector<int> gaps;
        QVector<int> rightEdges;
        for (int i = 0; i < rule.size(); ++i) {
            if (rule[i] == QLatin1String(" "))
                gaps << i;
            else if (i + 1 == rule.size() || rule[i + 1] == QLatin1String(" "))
                rightEdges << i;
        }
        QVERIFY(gaps.size() >= 2 * 6);
        for (const QString &line : block) {
            const QStringList c = cells(line);
            QVERIFY2(c.size() <= rule.size(), qPrintable(line));
            for (int g : gaps)
                QVERIFY2(g >= c.size() || c[g] == QLatin1String(" "), qPrintable(line));
        }
        // Numbers are right-aligned: every row fills the last cell of each number column.
        for (int row = 2; row < block.size(); ++row) {
            const QStringList c = cells(block[row]);
            for (int k = 1; k <= 6; ++k)
                QVERIFY2(c.value(rightEdges[k]).trimmed().size() == 1, qPrintable(block[row]));
        }
    }
}

void TestCliResults::cellColours_data()
{
    QTest::addColumn<TerminalStyle::Mode>("mode");
    QTest::addColumn<QStringList>("expected");  // painted cells that the table must contain

    // The second stream's write figures: avg 20 and max 1234.56 at or above the per-stream
    // minimum of 5 (good), min 2.00 below it (bad), jitter 70 % above 65 (bad), CV 60 %
    // above 50 (bad); the first stream's jitter of 50 % lies between 45 and 65 (warn).
    QTest::newRow("24-bit") << TerminalStyle::Mode::TrueColor
                            << QStringList{"\x1b[38;2;25;118;210m1234.56\x1b[0m",
                                           "\x1b[38;2;211;47;47m2.00\x1b[0m",
                                           "\x1b[38;2;211;47;47m70.0%\x1b[0m",
                                           "\x1b[38;2;230;126;34m50.0%\x1b[0m",
                                           "\x1b[1;38;2;25;118;210m✓ Pass\x1b[0m",
                                           "\x1b[1;38;2;230;126;34m⚠ Warn\x1b[0m",
                                           "\x1b[1;38;2;211;47;47m✗ Fail\x1b[0m",
                                           "\x1b[1mCard total\x1b[0m"};
    QTest::newRow("256 colours") << TerminalStyle::Mode::Palette256
                                 << QStringList{"\x1b[38;5;32m1234.56\x1b[0m",
                                                "\x1b[38;5;160m2.00\x1b[0m",
                                                "\x1b[38;5;172m50.0%\x1b[0m",
                                                "\x1b[1;38;5;160m✗ Fail\x1b[0m"};
}

void TestCliResults::cellColours()
{
    QFETCH(TerminalStyle::Mode, mode);
    QFETCH(QStringList, expected);
    const QString text =
        ResultsTable::format(sampleRows(), VerdictRules(), TerminalStyle(mode)).join('\n');
    for (const QString &painted : expected)
        QVERIFY2(text.contains(painted), qPrintable(QString(painted).replace('\x1b', "ESC")));
}

QTEST_GUILESS_MAIN(TestCliResults)
#include "tst_cliresults.moc"
