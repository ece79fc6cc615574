// What the front end writes: log lines, the progress line on a terminal and in a pipe, the
// exit status of an outcome, and the results table with its alignment and colours.
#include "consolewriter.h"
#include "exitstatus.h"
#include "i18n.h"
#include "isolatedsettings.h"
#include "progressline.h"
#include "resultstable.h"
#include "streamsource.h"
#include "terminalstyle.h"
#include "verdictcell.h"

#include <QBuffer>
#include <QtTest>

namespace {
SpeedStats stats(double avg, double max, double min, double jitter, double cv, double drop)
{
    return SpeedStats{avg, max, min, jitter, cv, drop, int(drop * 40), 40};
}

// A card total and two streams, the second with a wide-character name; the streams'
// write verdicts are Warn and Fail.
QStringList tableLines(Language language, bool read, TerminalStyle::Mode mode)
{
    I18n::instance()->applyLanguage(language);
    RowResult card;
    card.write = stats(40.0, 52.5, 31.25, 0.1, 0.12, 0.0);
    card.read = stats(88.0, 90.0, 85.0, 0.02, 0.03, 0.0);
    RowResult first;
    first.write = stats(20.0, 26.0, 15.0, 0.5, 0.4, 0.15);
    first.read = stats(44.0, 45.0, 43.0, 0.01, 0.02, 0.0);
    first.verdicts.write = Verdict::Warn;
    RowResult second = first;
    second.write = stats(20.0, 1234.56, 2.0, 0.7, 0.6, 0.25);
    second.verdicts.write = Verdict::Fail;
    VerdictRules rules;
    rules.enableRead = read;
    const QString total = QCoreApplication::translate("MainWindow", "RowCardTotal");
    const QVector<ResultRow> rows = {{total, card},
                                     {streamRowLabel(0, QStringLiteral("clip.mp4")), first},
                                     {streamRowLabel(1, QStringLiteral("行车记录.mp4")), second}};
    return ResultsTable::format(rows, rules, TerminalStyle(mode));
}

// The display columns of a line, one string per column; a wide character fills two, the
// second of them empty.
QStringList columns(const QString &line)
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

// The table's blocks: runs of lines between empty ones.
QList<QStringList> blocks(const QStringList &lines)
{
    QList<QStringList> out;
    for (const QString &block : lines.join('\n').split(QStringLiteral("\n\n")))
        out << block.split('\n');
    return out;
}

// A ConsoleWriter over two buffers.
struct Console {
    explicit Console(bool terminal)
        : writer(&out, &err, terminal)
    {
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
    }
    QBuffer out;
    QBuffer err;
    ConsoleWriter writer;
};
}  // namespace

class TestCliOutput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void progress();
    void console();
    void exitStatus();
    void styleMode();
    void tableLayout_data();
    void tableLayout();
    void cellColours();

private:
    QTemporaryDir m_dir;
};

void TestCliOutput::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(isolateSettings(m_dir.path()));
}

void TestCliOutput::cleanup()
{
    qunsetenv("NO_COLOR");
    qunsetenv("COLORTERM");
}

void TestCliOutput::progress()
{
    // A bar of twenty, the percentage padded, figures to two decimals, the pass's time taken
    // and left, the round only when there are several; the same in Chinese.
    using P = ProgressLine::Phase;
    I18n::instance()->applyLanguage(English);
    QCOMPARE(ProgressLine::format(P::Write, 45, 12.345, 10.0, 1, 1, 42000, 51000),
             QStringLiteral("Write Test [#########...........]  45%  12.35 MB/s  avg 10.00 MB/s  "
                            "0:42 elapsed  0:51 left"));
    QCOMPARE(ProgressLine::format(P::Read, 100, 80.0, 79.996, 1, 1, 3723000, 0),
             QStringLiteral("Read Test [####################] 100%  80.00 MB/s  avg 80.00 MB/s  "
                            "1:02:03 elapsed  0:00 left"));
    QCOMPARE(ProgressLine::format(P::Write, 0, 0.0, 1.5, 2, 3, 500, -1),
             QStringLiteral("Round 2/3 · Write Test [....................]   0%  0.00 MB/s  "
                            "avg 1.50 MB/s  0:00 elapsed  --:-- left"));
    I18n::instance()->applyLanguage(TraditionalChinese);
    const QString zh = ProgressLine::format(P::Write, 45, 12.345, 10.0, 1, 1, 42000, 51000);
    I18n::instance()->applyLanguage(English);
    QCOMPARE(zh,
             QStringLiteral("寫入測試 [#########...........]  45%  12.35 MB/s  平均 10.00 MB/s  "
                            "已用 0:42  剩餘 0:51"));
    // Samples come about every 200 ms: a terminal shows each, a pipe one a second at most,
    // the first whenever it comes.
    const qint64 samples[] = {0, 200, 999, 1000, 1200, 2100, 3099, 3100};
    const bool toPipe[] = {true, false, false, true, false, true, false, true};
    ProgressLine terminal(true);
    ProgressLine pipe(false);
    for (int i = 0; i < 8; ++i) {
        QVERIFY(terminal.due(samples[i]));
        QVERIFY2(pipe.due(samples[i]) == toPipe[i], qPrintable(QString::number(samples[i])));
    }
    ProgressLine late(false);
    QVERIFY(late.due(5000) && !late.due(5100) && late.due(6000));
}

void TestCliOutput::console()
{
    // On a terminal the shorter line blanks the rest of the longer one; a log line wipes
    // the progress line and starts at the left margin; a clear with nothing showing writes
    // nothing. Results go to the output; the progress line stays where it is.
    Console terminal(true);
    terminal.writer.progress(QStringLiteral("W  10%  long line"));
    terminal.writer.progress(QStringLiteral("W  20%"));
    terminal.writer.logLine(QStringLiteral("done"), QTime(7, 5, 3));
    terminal.writer.clearProgress();
    terminal.writer.progress(QStringLiteral("R  50%"));
    terminal.writer.result(QStringLiteral("Write average: 1.00 MB/s"));
    QCOMPARE(terminal.err.data(), QByteArray("\rW  10%  long line\rW  20%           \r      \r"
                                             "[07:05:03] done\n\rR  50%"));
    QCOMPARE(terminal.out.data(), QByteArray("Write average: 1.00 MB/s\n"));

    // A pipe gets whole lines; log lines keep their text as it is.
    Console pipe(false);
    pipe.writer.progress(QStringLiteral("W  10%"));
    pipe.writer.logLine(QStringLiteral("  100% %1"), QTime(23, 59, 59));
    pipe.writer.error(QStringLiteral("refused"));
    pipe.writer.clearProgress();
    QCOMPARE(pipe.err.data(), QByteArray("W  10%\n[23:59:59]   100% %1\nrefused\n"));
}

void TestCliOutput::exitStatus()
{
    // A completed run exits with its worst verdict; otherwise there is no verdict to go by.
    for (Verdict worst : {Verdict::Pass, Verdict::Warn, Verdict::Fail}) {
        QCOMPARE(exitStatusFor(RunOutcome::Completed, worst), int(worst));
        QCOMPARE(exitStatusFor(RunOutcome::NotRun, worst), 3);
        QCOMPARE(exitStatusFor(RunOutcome::Failed, worst), 3);
        QCOMPARE(exitStatusFor(RunOutcome::Stopped, worst), 130);
    }
}

void TestCliOutput::styleMode()
{
    using M = TerminalStyle::Mode;
    qputenv("COLORTERM", "truecolor");
    QCOMPARE(TerminalStyle::modeFor(false), M::Plain);  // off a terminal, whatever is set
    QCOMPARE(TerminalStyle::modeFor(true), M::TrueColor);
    qputenv("NO_COLOR", "1");
    QCOMPARE(TerminalStyle::modeFor(true), M::Plain);
    // An empty NO_COLOR counts as unset.
    qputenv("NO_COLOR", "");
    qunsetenv("COLORTERM");
    QCOMPARE(TerminalStyle::modeFor(true), M::Palette256);
}

void TestCliOutput::tableLayout_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("read");
    QTest::newRow("English, write only") << English << false;
    QTest::newRow("English, with read") << English << true;
    QTest::newRow("Simplified Chinese") << SimplifiedChinese << true;
    QTest::newRow("Traditional Chinese") << TraditionalChinese << true;
}

// A block per pass, each with a header, a rule and the three rows; the verdict closes the
// last block. Columns line up whatever the width of the characters, numbers to the right.
void TestCliOutput::tableLayout()
{
    QFETCH(Language, language);
    QFETCH(bool, read);
    const QStringList lines = tableLines(language, read, TerminalStyle::Mode::Plain);
    const QList<QStringList> parts = blocks(lines);
    QCOMPARE(parts.size(), read ? 2 : 1);
    QVERIFY2(parts.last()[4].endsWith(verdictText(Verdict::Fail)), qPrintable(parts.last()[4]));
    for (const QStringList &block : parts) {
        QCOMPARE(block.size(), 2 + 3);
        QVERIFY2(block[3].startsWith(QLatin1String("#1  clip.mp4 ")), qPrintable(block[3]));
        QVERIFY2(block[4].startsWith(QStringLiteral("#2  行车记录.mp4 ")), qPrintable(block[4]));
        // The rule line marks every column with dashes and the gaps with blanks.
        const QStringList rule = columns(block[1]);
        QVector<int> gaps;
        QVector<int> rightEdges;
        for (int i = 0; i < rule.size(); ++i) {
            if (rule[i] == QLatin1String(" "))
                gaps << i;
            else if (i + 1 == rule.size() || rule[i + 1] == QLatin1String(" "))
                rightEdges << i;
        }
        QVERIFY(gaps.size() >= 2 * 6);
        for (int row = 0; row < block.size(); ++row) {
            const QStringList c = columns(block[row]);
            QVERIFY2(c.size() <= rule.size() && !block[row].endsWith(' '), qPrintable(block[row]));
            for (int g : gaps)
                QVERIFY2(g >= c.size() || c[g] == QLatin1String(" "), qPrintable(block[row]));
            for (int k = 1; row >= 2 && k <= 6; ++k)
                QVERIFY2(c.value(rightEdges[k]).trimmed().size() == 1, qPrintable(block[row]));
        }
    }
}

void TestCliOutput::cellColours()
{
    // The second stream's write min 2.00 is below the per-stream minimum of 5: bad; the
    // first stream's jitter of 50 % lies between 45 and 65: warn.
    const QString text = tableLines(English, false, TerminalStyle::Mode::TrueColor).join('\n');
    for (const char *painted : {"\x1b[38;2;211;47;47m2.00\x1b[0m", "\x1b[38;2;230;126;34m50.0%",
                                "\x1b[1;38;2;211;47;47m✗ Fail\x1b[0m"})
        QVERIFY2(text.contains(QString::fromUtf8(painted)), painted + 1);
    // The colour cube's nearest entries on the levels 0, 95, 135, 175, 215, 255:
    // #1976d2 is 16 + 0*36 + 2*6 + 4, #e67e22 16 + 4*36 + 2*6.
    QCOMPARE(TerminalStyle::paletteIndex(QStringLiteral("#1976d2")), 32);
    QCOMPARE(TerminalStyle::paletteIndex(QStringLiteral("#e67e22")), 172);
    QCOMPARE(TerminalStyle::paletteIndex(QStringLiteral("#ffffff")), 231);
}

QTEST_GUILESS_MAIN(TestCliOutput)
#include "tst_clioutput.moc"
