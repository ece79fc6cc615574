// Size parsing and option validation of the command-line front end.
#include "clioptions.h"
#include "sizeparse.h"

#include <QtTest>

class TestCliParse : public QObject
{
    Q_OBJECT
private slots:
    void parseSize_data();
    void parseSize();
    void formatSize_data();
    void formatSize();
    void options_data();
    void options();
    void targetGetsTrailingSlash_data();
    void targetGetsTrailingSlash();
    void filesBecomeAbsolute();
    void force_data();
    void force();
    void helpAndVersion();
    void rules_data();
    void rules();
    void language_data();
    void language();
    void requestedLanguage_data();
    void requestedLanguage();
    void jsonTarget_data();
    void jsonTarget();
};

namespace {
CommandLine::Status parseWith(const QStringList &extra, CliOptions *options, QString *message)
{
    return CommandLine::parse(QStringList{"lumoracard-cli", "--target", "/media/card"} + extra,
                              options, message);
}
}  // namespace

void TestCliParse::parseSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("bytes");

    QTest::newRow("plain bytes") << "4096" << true << qint64(4096);
    QTest::newRow("K") << "64K" << true << qint64(65536);
    QTest::newRow("lower k") << "64k" << true << qint64(65536);
    QTest::newRow("M") << "512M" << true << qint64(536870912);
    QTest::newRow("G") << "2G" << true << qint64(2147483648);
    QTest::newRow("T") << "100T" << true << qint64(109951162777600);
    QTest::newRow("KB") << "8KB" << true << qint64(8192);
    QTest::newRow("MiB") << "1MiB" << true << qint64(1048576);
    QTest::newRow("gib lower") << "3gib" << true << qint64(3221225472);
    QTest::newRow("B alone") << "512B" << true << qint64(512);
    QTest::newRow("blanks around") << " 1G " << true << qint64(1073741824);
    QTest::newRow("largest T") << "8388607T" << true << qint64(9223370937343148032);

    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("unit only") << "M" << false << qint64(0);
    QTest::newRow("zero") << "0" << false << qint64(0);
    QTest::newRow("zero with unit") << "0G" << false << qint64(0);
    QTest::newRow("negative") << "-1M" << false << qint64(0);
    QTest::newRow("plus sign") << "+1M" << false << qint64(0);
    QTest::newRow("fraction") << "1.5G" << false << qint64(0);
    QTest::newRow("unknown unit") << "1P" << false << qint64(0);
    QTest::newRow("iB without unit") << "5iB" << false << qint64(0);
    QTest::newRow("two units") << "1MG" << false << qint64(0);
    QTest::newRow("inner blank") << "1 G" << false << qint64(0);
    QTest::newRow("words") << "big" << false << qint64(0);
    QTest::newRow("overflows with unit") << "8388608T" << false << qint64(0);
    QTest::newRow("overflows bare") << "99999999999999999999" << false << qint64(0);
}

void TestCliParse::parseSize()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, bytes);

    qint64 parsed = -7;
    QCOMPARE(::parseSize(text, &parsed), ok);
    if (ok)
        QCOMPARE(parsed, bytes);
    else
        QCOMPARE(parsed, qint64(-7));  // left alone on failure
}

void TestCliParse::formatSize_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("64K") << qint64(65536) << "64K";
    QTest::newRow("1M") << qint64(1048576) << "1M";
    QTest::newRow("1536K") << qint64(1572864) << "1536K";
    QTest::newRow("2G") << qint64(2147483648) << "2G";
    QTest::newRow("1T") << qint64(1099511627776) << "1T";
    QTest::newRow("odd bytes") << qint64(3000) << "3000";
}

void TestCliParse::formatSize()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(::formatSize(bytes), text);
    qint64 back = 0;
    QVERIFY(::parseSize(text, &back));
    QCOMPARE(back, bytes);
}

void TestCliParse::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("streams");
    QTest::addColumn<qint64>("block");
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<int>("iterations");

    const QStringList t = {QStringLiteral("--target"), QStringLiteral("/media/card")};
    auto row = [&](const char *name, const QStringList &extra, bool ok, qint64 size = 1073741824,
                   int streams = 1, qint64 block = 1048576, bool read = false, bool fill = false,
                   int rounds = 1, int iterations = 1) {
        QTest::newRow(name) << (t + extra) << ok << size << streams << block << read << fill
                            << rounds << iterations;
    };

    row("defaults", {}, true);
    row("random, all set",
        {"--size", "4M", "--streams", "2", "--block", "64K", "--read", "--iterations", "3"}, true,
        4194304, 2, 65536, true, false, 1, 3);
    row("16 streams", {"--streams", "16"}, true, 1073741824, 16);
    row("block 128K", {"--block", "128K"}, true, 1073741824, 1, 131072);
    row("block 256K", {"--block", "256K"}, true, 1073741824, 1, 262144);
    row("block 512K", {"--block", "512K"}, true, 1073741824, 1, 524288);
    row("block 4M", {"--block", "4M"}, true, 1073741824, 1, 4194304);
    row("block 8M in bytes", {"--block", "8388608"}, true, 1073741824, 1, 8388608);
    row("size not a block multiple", {"--size", "1000000", "--block", "64K"}, true, 1000000, 1,
        65536);
    row("fill with rounds", {"--fill", "--size", "512M", "--rounds", "5"}, true, 536870912, 1,
        1048576, false, true, 5);
    row("fill, default rounds", {"--fill"}, true, 1073741824, 1, 1048576, false, true, 1);
    row("99 iterations", {"--iterations", "99"}, true, 1073741824, 1, 1048576, false, false, 1, 99);
    row("file mode with read", {"--file", "/x/a.mp4", "--read"}, true, 1073741824, 1, 1048576,
        true);

    QTest::newRow("no target") << QStringList{"--size", "4M"} << false << qint64(0) << 0
                               << qint64(0) << false << false << 0 << 0;
    QTest::newRow("empty target") << QStringList{"--target", ""} << false << qint64(0) << 0
                                  << qint64(0) << false << false << 0 << 0;
    row("bad size", {"--size", "lots"}, false);
    row("zero size", {"--size", "0"}, false);
    row("size below block", {"--size", "512K"}, false);
    row("0 streams", {"--streams", "0"}, false);
    row("17 streams", {"--streams", "17"}, false);
    row("streams not a number", {"--streams", "two"}, false);
    row("block 2M is not offered", {"--block", "2M"}, false);
    row("block 32K", {"--block", "32K"}, false);
    row("block 16M", {"--block", "16M"}, false);
    row("bad block", {"--block", "1X"}, false);
    row("0 iterations", {"--iterations", "0"}, false);
    row("100 iterations", {"--iterations", "100"}, false);
    row("rounds without fill", {"--rounds", "2"}, false);
    row("0 rounds", {"--fill", "--rounds", "0"}, false);
    row("100 rounds", {"--fill", "--rounds", "100"}, false);
    row("fill with read", {"--fill", "--read"}, false);
    row("fill with streams", {"--fill", "--streams", "2"}, false);
    row("fill with file", {"--fill", "--file", "/x/a"}, false);
    row("file with size", {"--file", "/x/a", "--size", "1G"}, false);
    row("file with streams", {"--file", "/x/a", "--streams", "2"}, false);
    row("unknown option", {"--fast"}, false);
    row("stray argument", {"extra"}, false);
    row("missing value", {"--size"}, false);
}

void TestCliParse::options()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    args.prepend(QStringLiteral("lumoracard-cli"));

    CliOptions options;
    QString message;
    const CommandLine::Status status = CommandLine::parse(args, &options, &message);
    if (!ok) {
        QCOMPARE(status, CommandLine::Error);
        QVERIFY2(!message.trimmed().isEmpty(), "a refusal must say why");
        return;
    }
    QVERIFY2(status == CommandLine::Ok, qPrintable(message));
    QTEST(options.testSize, "size");
    QTEST(options.streamCount, "streams");
    QTEST(options.blockSize, "block");
    QTEST(options.readEnabled, "read");
    QTEST(options.fill, "fill");
    QTEST(options.fillRounds, "rounds");
    QTEST(options.iterations, "iterations");
}

void TestCliParse::targetGetsTrailingSlash_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");

    QTest::newRow("no slash") << "/media/card"
                              << "/media/card/";
    QTest::newRow("slash kept") << "/media/card/"
                                << "/media/card/";
    QTest::newRow("relative") << "card" << QDir::currentPath() + "/card/";
}

void TestCliParse::targetGetsTrailingSlash()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    CliOptions options;
    QString message;
    QCOMPARE(CommandLine::parse({"lumoracard-cli", "--target", given}, &options, &message),
             CommandLine::Ok);
    QCOMPARE(options.targetDir, stored);
}

void TestCliParse::filesBecomeAbsolute()
{
    CliOptions options;
    QString message;
    QCOMPARE(CommandLine::parse({"lumoracard-cli", "--target", "/media/card", "--file",
                                 "clips/a.mp4", "--file", "/data/b.mp4"},
                                &options, &message),
             CommandLine::Ok);
    QCOMPARE(options.sourceFiles,
             QStringList({QDir::currentPath() + "/clips/a.mp4", QStringLiteral("/data/b.mp4")}));
}

void TestCliParse::force_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<bool>("force");

    QTest::newRow("not given") << QStringList() << false;
    QTest::newRow("given") << QStringList{"--force"} << true;
    QTest::newRow("with other options") << QStringList{"--size", "4M", "--force", "--read"} << true;
    QTest::newRow("with the fill mode") << QStringList{"--fill", "--force"} << true;
}

void TestCliParse::force()
{
    QFETCH(QStringList, extra);
    CliOptions options;
    QString message;
    QVERIFY2(parseWith(extra, &options, &message) == CommandLine::Ok, qPrintable(message));
    QTEST(options.force, "force");
}

void TestCliParse::helpAndVersion()
{
    QCoreApplication::setApplicationName(QStringLiteral("LumoraCard"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    CliOptions options;
    QString message;
    QCOMPARE(CommandLine::parse({"lumoracard-cli", "--help"}, &options, &message),
             CommandLine::ShowHelp);
    for (const char *option :
         {"--target", "--size", "--streams", "--block", "--read", "--file", "--fill", "--rounds",
          "--iterations", "--lang", "--rules", "--json", "--force"})
        QVERIFY2(message.contains(QLatin1String(option)), option);
    QCOMPARE(CommandLine::parse({"lumoracard-cli", "--help-all"}, &options, &message),
             CommandLine::ShowHelp);
    QCOMPARE(CommandLine::parse({"lumoracard-cli", "-h"}, &options, &message),
             CommandLine::ShowHelp);
    QCOMPARE(CommandLine::parse({"lumoracard-cli", "--version"}, &options, &message),
             CommandLine::ShowVersion);
    QCOMPARE(message.trimmed(), QStringLiteral("LumoraCard 1.0.1"));
}

void TestCliParse::rules_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QVariantMap>("overrides");
    QTest::addColumn<QString>("named");  // what a refusal must mention

    auto good = [](const char *name, const QStringList &a, const QVariantMap &m) {
        QTest::newRow(name) << a << true << m << QString();
    };
    auto bad = [](const char *name, const QStringList &a, const char *named) {
        QTest::newRow(name) << a << false << QVariantMap() << QString::fromUtf8(named);
    };
    good("none", {}, {});
    good("one speed", {"aggWriteWarn=15"}, {{"aggWriteWarn", 15.0}});
    good("ratio and switch", {"jitterFail=0.7", "slcTrim=false"},
         {{"jitterFail", 0.7}, {"slcTrim", false}});
    good("blanks around", {" cvWarn = 0.3 "}, {{"cvWarn", 0.3}});
    good("the last one counts", {"dropWarn=0.1", "dropWarn=0.15"}, {{"dropWarn", 0.15}});
    // Limited when applied, as the store limits it; the text itself is a number.
    good("beyond the per-stream limit", {"perStreamWrite=5000"}, {{"perStreamWrite", 5000.0}});
    good("huge threshold", {"aggReadFail=1e9"}, {{"aggReadFail", 1e9}});

    bad("no equals sign", {"aggWriteWarn"}, "aggWriteWarn");
    bad("no key", {"=5"}, "=5");
    bad("unknown key", {"speed=5"}, "speed");
    bad("key in the wrong case", {"aggwritewarn=5"}, "aggwritewarn");
    bad("words for a speed", {"aggWriteWarn=fast"}, "fast");
    bad("empty value", {"aggWriteWarn="}, "aggWriteWarn");
    bad("negative speed", {"perStreamRead=-1"}, "-1");
    bad("switch maybe", {"slcTrim=maybe"}, "maybe");
    bad("read switch", {"enableRead=true"}, "--read");
    bad("fill switch", {"fullCap=true"}, "--fill");
    bad("rounds", {"iterCount=3"}, "--iterations");
    bad("one bad among good ones", {"cvWarn=0.3", "cvFail=lots"}, "lots");
}

void TestCliParse::rules()
{
    QFETCH(QStringList, assignments);
    QFETCH(bool, ok);
    QStringList extra;
    for (const QString &a : assignments)
        extra << QStringLiteral("--rules") << a;

    CliOptions options;
    QString message;
    const CommandLine::Status status = parseWith(extra, &options, &message);
    if (!ok) {
        QCOMPARE(status, CommandLine::Error);
        QFETCH(QString, named);
        QVERIFY2(message.contains(named), qPrintable(message));
        return;
    }
    QVERIFY2(status == CommandLine::Ok, qPrintable(message));
    QTEST(options.ruleOverrides, "overrides");
}

void TestCliParse::language_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("code");  // empty: refused

    QTest::newRow("zh_CN") << "zh_CN"
                           << "zh_CN";
    QTest::newRow("en") << "en"
                        << "en";
    QTest::newRow("zh_TW") << "zh_TW"
                           << "zh_TW";
    QTest::newRow("case and dash") << "ZH-tw"
                                   << "zh_TW";
    QTest::newRow("French") << "fr" << QString();
    QTest::newRow("no region") << "zh" << QString();
    QTest::newRow("empty") << "" << QString();
}

void TestCliParse::language()
{
    QFETCH(QString, given);
    QFETCH(QString, code);
    CliOptions options;
    QString message;
    const CommandLine::Status status = parseWith({"--lang", given}, &options, &message);
    if (code.isEmpty()) {
        QCOMPARE(status, CommandLine::Error);
        QVERIFY2(message.contains(QLatin1String("zh_TW")), qPrintable(message));
        return;
    }
    QVERIFY2(status == CommandLine::Ok, qPrintable(message));
    QCOMPARE(options.language, code);
    QCOMPARE(CommandLine::requestedLanguage({"lumoracard-cli", "--lang", given}), code);
}

void TestCliParse::requestedLanguage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("code");

    QTest::newRow("none") << QStringList{"--target", "/m"} << QString();
    QTest::newRow("separate value") << QStringList{"--lang", "zh_TW", "--target", "/m"} << "zh_TW";
    QTest::newRow("with equals") << QStringList{"--target", "/m", "--lang=en"} << "en";
    QTest::newRow("the last one counts")
        << QStringList{"--lang", "en", "--lang", "zh_CN"} << "zh_CN";
    QTest::newRow("not a language") << QStringList{"--lang", "xx"} << QString();
    QTest::newRow("value missing") << QStringList{"--target", "/m", "--lang"} << QString();
    QTest::newRow("after the end of options") << QStringList{"--", "--lang", "en"} << QString();
}

void TestCliParse::requestedLanguage()
{
    QFETCH(QStringList, args);
    args.prepend(QStringLiteral("lumoracard-cli"));
    QTEST(CommandLine::requestedLanguage(args), "code");
}

void TestCliParse::jsonTarget_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");  // empty: refused

    QTest::newRow("standard output") << "-"
                                     << "-";
    QTest::newRow("absolute") << "/tmp/r.json"
                              << "/tmp/r.json";
    QTest::newRow("relative") << "out/r.json" << QDir::currentPath() + "/out/r.json";
    QTest::newRow("empty") << "" << QString();
}

void TestCliParse::jsonTarget()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    CliOptions options;
    QString message;
    const CommandLine::Status status = parseWith({"--json", given}, &options, &message);
    if (stored.isEmpty()) {
        QCOMPARE(status, CommandLine::Error);
        QVERIFY(message.contains(QLatin1String("--json")));
        return;
    }
    QVERIFY2(status == CommandLine::Ok, qPrintable(message));
    QCOMPARE(options.jsonPath, stored);
}

QTEST_GUILESS_MAIN(TestCliParse)
#include "tst_cliparse.moc"
