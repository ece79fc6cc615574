// What the command line accepts.
#include "clioptions.h"
#include "i18n.h"
#include "isolatedsettings.h"
#include "sizeparse.h"

#include <QtTest>

#include <utility>

Q_DECLARE_METATYPE(CliOptions)

namespace {
constexpr qint64 MiB = 1048576;
constexpr qint64 GiB = 1073741824;

// What a parse chose, on one line: the numbers always, everything else when set. The
// target every row gives, /media/card/, is left out (made absolute as the parser makes it:
// on Windows it gains the current drive).
QString summary(const CliOptions &o)
{
    static const QString card = QFileInfo(QStringLiteral("/media/card")).absoluteFilePath() + '/';
    QStringList parts{
        "size=" + formatSize(o.testSize), QStringLiteral("streams=%1").arg(o.streamCount),
        "block=" + formatSize(o.blockSize), QStringLiteral("rounds=%1").arg(o.fillRounds),
        QStringLiteral("iterations=%1").arg(o.iterations)};
    if (o.targetDir != card)
        parts << "target=" + o.targetDir;
    if (o.readEnabled)
        parts << QStringLiteral("read");
    if (o.fill)
        parts << QStringLiteral("fill");
    if (o.force)
        parts << QStringLiteral("force");
    if (!o.sourceFiles.isEmpty())
        parts << "files=" + o.sourceFiles.join(',');
    if (!o.language.isEmpty())
        parts << "lang=" + o.language;
    if (!o.jsonPath.isEmpty())
        parts << "json=" + o.jsonPath;
    for (auto it = o.ruleOverrides.cbegin(); it != o.ruleOverrides.cend(); ++it)
        parts << it.key() + ':' + it.value().toString();
    return parts.join(' ');
}

}  // namespace

class TestCliParse : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sizes_data();
    void sizes();
    void options_data();
    void options();
    void helpAndVersion();
    void requestedLanguage_data();
    void requestedLanguage();

private:
    QTemporaryDir m_settingsDir;
};

void TestCliParse::initTestCase()
{
    // Messages are looked up by key, as in the program, from no settings of the user's.
    QVERIFY(m_settingsDir.isValid());
    QVERIFY(isolateSettings(m_settingsDir.path()));
    I18n::instance()->applyLanguage(English);
}

void TestCliParse::sizes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("bytes");   // 0: refused
    QTest::addColumn<QString>("shown");  // formatSize(bytes)

    auto ok = [](const char *text, qint64 bytes, const char *shown) {
        QTest::newRow(text) << QString(text) << bytes << QString(shown);
    };
    ok("3000", 3000, "3000");
    ok("4096", 4096, "4K");
    ok("64K", 65536, "64K");
    ok("64k", 65536, "64K");
    ok("1536K", 1572864, "1536K");
    ok("512M", 536870912, "512M");
    ok("2G", 2147483648, "2G");
    ok("100T", 109951162777600, "100T");
    ok("8KB", 8192, "8K");
    ok("1MiB", 1048576, "1M");
    ok("3gib", 3221225472, "3G");
    ok("512B", 512, "512");
    ok(" 1G ", 1073741824, "1G");
    ok("8388607T", 9223370937343148032, "8388607T");  // the largest that fits

    // Empty, no number, zero, signs, fractions, unknown or doubled units, inner blanks,
    // overflow with and without a unit.
    for (const char *text : {"", "M", "0", "0G", "-1M", "+1M", "1.5G", "1P", "5iB", "1MG", "1 G",
                             "8388608T", "99999999999999999999"})
        QTest::addRow("\"%s\"", text) << QString(text) << qint64(0) << QString();
}

void TestCliParse::sizes()
{
    QFETCH(QString, text);
    QFETCH(qint64, bytes);
    qint64 parsed = -7;
    QCOMPARE(parseSize(text, &parsed), bytes > 0);
    QCOMPARE(parsed, bytes > 0 ? bytes : qint64(-7));  // left alone on failure
    if (bytes > 0)
        QTEST(formatSize(bytes), "shown");
}

void TestCliParse::options_data()
{
    QTest::addColumn<QStringList>("args");  // after the program name
    QTest::addColumn<QString>("chosen");    // summary() of the result; empty: refused
    QTest::addColumn<QString>("named");     // what a refusal must mention

    const QStringList t{"--target", "/media/card"};
    const QString d = "size=1G streams=1 block=1M rounds=1 iterations=1";
    const QString cwd = QDir::currentPath();
    auto ok = [&](const char *name, const QStringList &extra, const QString &chosen) {
        QTest::newRow(name) << t + extra << chosen << QString();
    };
    // A refused row is named by its arguments.
    auto bad = [&](const QStringList &extra, const char *named) {
        QTest::addRow("%s", qPrintable(extra.join(' ')))
            << t + extra << QString() << QString(named);
    };
    auto rules = [](const QStringList &assignments) {
        QStringList args;
        for (const QString &a : assignments)
            args << QStringLiteral("--rules") << a;
        return args;
    };

    ok("defaults", {}, d);
    ok("random, all set",
       {"--size", "4M", "--streams", "2", "--block", "64K", "--read", "--iterations", "3"},
       "size=4M streams=2 block=64K rounds=1 iterations=3 read");
    ok("16 streams", {"--streams", "16"}, "size=1G streams=16 block=1M rounds=1 iterations=1");
    // Every block size offered but the two above; one given in bytes.
    const std::pair<const char *, const char *> blocks[] = {
        {"128K", "128K"}, {"256K", "256K"}, {"512K", "512K"}, {"4M", "4M"}, {"8388608", "8M"}};
    for (const auto &[given, shown] : blocks)
        QTest::addRow("block %s", given)
            << t + QStringList{"--block", given}
            << QStringLiteral("size=1G streams=1 block=%1 rounds=1 iterations=1").arg(shown)
            << QString();
    ok("size not a block multiple", {"--size", "1000000", "--block", "64K"},
       "size=1000000 streams=1 block=64K rounds=1 iterations=1");
    ok("fill with rounds, forced", {"--fill", "--size", "512M", "--rounds", "5", "--force"},
       "size=512M streams=1 block=1M rounds=5 iterations=1 fill force");
    ok("99 iterations", {"--iterations", "99"},
       "size=1G streams=1 block=1M rounds=1 iterations=99");
    ok("files made absolute", {"--file", "clips/a.mp4", "--file", "/data/b.mp4", "--read"},
       d + " read files=" + cwd + "/clips/a.mp4," + QFileInfo("/data/b.mp4").absoluteFilePath());
    QTest::newRow("target slash kept") << QStringList{"--target", "/media/card/"} << d << QString();
    QTest::newRow("relative target")
        << QStringList{"--target", "card"} << d + " target=" + cwd + "/card/" << QString();
    ok("language, case and dash", {"--lang", "ZH-tw"}, d + " lang=zh_TW");
    ok("report to standard output", {"--json", "-"}, d + " json=-");
    ok("report relative", {"--json", "out/r.json"}, d + " json=" + cwd + "/out/r.json");
    ok("one rule", rules({"aggWriteWarn=15"}), d + " aggWriteWarn:15");
    ok("ratio and switch", rules({"jitterFail=0.7", "slcTrim=false"}),
       d + " jitterFail:0.7 slcTrim:false");
    ok("rule with blanks", rules({" cvWarn = 0.3 "}), d + " cvWarn:0.3");
    ok("the last rule counts", rules({"dropWarn=0.1", "dropWarn=0.15"}), d + " dropWarn:0.15");
    // Limited when applied, as the store limits it; the text itself is a number.
    ok("beyond the per-stream limit", rules({"perStreamWrite=5000"}), d + " perStreamWrite:5000");

    QTest::newRow("no target") << QStringList{"--size", "4M"} << QString() << "--target";
    QTest::newRow("empty target") << QStringList{"--target", ""} << QString() << "--target";
    // Values out of range or malformed, and options that would be silently ignored.
    for (const char *extra :
         {"--size 0", "--size 512K", "--streams 0", "--streams two", "--block 32K", "--block 16M",
          "--block 1X", "--iterations 0", "--iterations 100", "--fill --rounds 0",
          "--fill --rounds 100", "--fill --read", "--fill --streams 2", "--fill --file /x/a",
          "--file /x/a --size 1G", "--file /x/a --streams 2", "--size"})
        bad(QString(extra).split(' '), "");
    // Refusals that name what they refuse.
    bad({"--size", "lots"}, "lots");
    bad({"--streams", "17"}, "17");
    bad({"--block", "2M"}, "2M");
    bad({"--rounds", "2"}, "--rounds");
    bad({"--fast"}, "fast");
    bad({"extra"}, "extra");
    bad({"--json", ""}, "--json");
    for (const char *lang : {"fr", "zh", ""})
        bad({"--lang", lang}, "zh_TW");
    // How a value reads is the rules store's business; the refusal names what it refused.
    bad(rules({"aggWriteWarn"}), "aggWriteWarn");  // no equals sign
    bad(rules({"=5"}), "=5");
    bad(rules({"speed=5"}), "speed");
    bad(rules({"aggWriteWarn=fast"}), "fast");
    bad(rules({"slcTrim=maybe"}), "maybe");
    bad(rules({"cvWarn=0.3", "cvFail=lots"}), "lots");  // one bad among good ones
    // The rules that describe the test are set by options, and the refusal names them.
    bad(rules({"enableRead=true"}), "--read");
    bad(rules({"fullCap=true"}), "--fill");
    bad(rules({"iterCount=3"}), "--iterations");
}

void TestCliParse::options()
{
    QFETCH(QStringList, args);
    QFETCH(QString, chosen);
    QFETCH(QString, named);
    CliOptions options;
    QString message;
    const CommandLine::Status status =
        CommandLine::parse(QStringList{"lumoracard-cli"} + args, &options, &message);
    if (chosen.isEmpty()) {
        QCOMPARE(status, CommandLine::Error);
        QVERIFY2(!message.trimmed().isEmpty() && message.contains(named), qPrintable(message));
        return;
    }
    QVERIFY2(status == CommandLine::Ok, qPrintable(message));
    QCOMPARE(summary(options), chosen);
}

void TestCliParse::helpAndVersion()
{
    QCoreApplication::setApplicationName(QStringLiteral("LumoraCard"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    CliOptions options;
    QString message;
    for (const char *help : {"--help", "--help-all", "-h"})
        QCOMPARE(CommandLine::parse({"lumoracard-cli", help}, &options, &message),
                 CommandLine::ShowHelp);
    for (const char *option :
         {"--target", "--size", "--streams", "--block", "--read", "--file", "--fill", "--rounds",
          "--iterations", "--lang", "--rules", "--json", "--force"})
        QVERIFY2(message.contains(QLatin1String(option)), option);
    QCOMPARE(CommandLine::parse({"lumoracard-cli", "--version"}, &options, &message),
             CommandLine::ShowVersion);
    QCOMPARE(message.trimmed(), QStringLiteral("LumoraCard 1.0.1"));
}

void TestCliParse::requestedLanguage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("code");

    // Read before the parse, so that the parse's own messages come in that language.
    QTest::newRow("none") << QStringList{"--target", "/m"} << QString();
    QTest::newRow("separate value") << QStringList{"--lang", "zh_TW", "--target", "/m"} << "zh_TW";
    QTest::newRow("with equals") << QStringList{"--target", "/m", "--lang=en"} << "en";
    QTest::newRow("case and dash") << QStringList{"--lang", "ZH-cn"} << "zh_CN";
    QTest::newRow("the last one counts")
        << QStringList{"--lang", "en", "--lang", "zh_CN"} << "zh_CN";
    QTest::newRow("not a language") << QStringList{"--lang", "xx"} << QString();
    QTest::newRow("value missing") << QStringList{"--target", "/m", "--lang"} << QString();
    QTest::newRow("after the end of options") << QStringList{"--", "--lang", "en"} << QString();
}

void TestCliParse::requestedLanguage()
{
    QFETCH(QStringList, args);
    QTEST(CommandLine::requestedLanguage(QStringList{"lumoracard-cli"} + args), "code");
}

QTEST_GUILESS_MAIN(TestCliParse)
#include "tst_cliparse.moc"
