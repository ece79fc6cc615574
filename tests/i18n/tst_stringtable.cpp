#include "i18n.h"
#include "isolatedsettings.h"
#include "stringtable.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const Language allLanguages[] = {SimplifiedChinese, English, TraditionalChinese};

QString languageName(Language lang)
{
    switch (lang) {
    case English:
        return QStringLiteral("en");
    case TraditionalChinese:
        return QStringLiteral("zh_TW");
    default:
        return QStringLiteral("zh_CN");
    }
}

QString textOf(const StringEntry &entry, Language lang)
{
    switch (lang) {
    case English:
        return QString::fromUtf8(entry.english);
    case TraditionalChinese:
        return QString::fromUtf8(entry.traditional);
    default:
        return QString::fromUtf8(entry.simplified);
    }
}

QVector<StringEntry> allEntries()
{
    QVector<StringEntry> entries;
    for (std::size_t i = 0; i < baseStringTableSize; ++i)
        entries.append(baseStringTable[i]);
    for (std::size_t i = 0; i < stringTableAdditionsSize; ++i)
        entries.append(stringTableAdditions[i]);
    return entries;
}

QSet<int> placeholders(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("%(\\d+)"));
    QSet<int> numbers;
    auto it = pattern.globalMatch(text);
    while (it.hasNext())
        numbers.insert(it.next().captured(1).toInt());
    return numbers;
}

QString leadingBlanks(const QString &text)
{
    int n = 0;
    while (n < text.size() && text.at(n).isSpace())
        ++n;
    return text.left(n);
}

QString trailingBlanks(const QString &text)
{
    int n = 0;
    while (n < text.size() && text.at(text.size() - 1 - n).isSpace())
        ++n;
    return text.right(n);
}

QString translated(const char *context, const QString &source)
{
    const QByteArray utf8 = source.toUtf8();
    return QCoreApplication::translate(context, utf8.constData());
}

}  // namespace

// The table's contents and the translator's lookup rule, through the framework's own
// translate call with one translator installed at a time.
class TestStringTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keysShowBeforeAnyTranslator();
    void entryCount();
    void entriesInOrder_data();
    void entriesInOrder();
    void additionAfterTable();
    void fixedChineseTexts_data();
    void fixedChineseTexts();
    void chineseSourceTexts_data();
    void chineseSourceTexts();
    void lookupStringsPerLanguage();
    void everyEntryAnswersKeyAndSimplifiedText();
    void keysAndSimplifiedTextsDistinct();
    void sameShapeInAllLanguages();
    void unknownKeyShowsItself_data();
    void unknownKeyShowsItself();
    void englishAndTraditionalTextsAreNotLookupStrings();
    void contextIsIgnored();
    void languageNamesFixed();
    void translatorEdgeCases();
    void headlessStartDoesNotAsk();

private:
    void install(Language lang);

    QTemporaryDir settingsDir;
    std::unique_ptr<I18n> i18n;
    std::unique_ptr<I18n::Translator> translator;
};

void TestStringTable::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    // Nothing here should touch settings; isolate them anyway in case something does.
    QVERIFY2(isolateSettings(settingsDir.path()), "settings are not redirected");
    i18n = std::make_unique<I18n>();
}

void TestStringTable::install(Language lang)
{
    translator.reset();  // its destructor uninstalls it
    translator = std::make_unique<I18n::Translator>(&i18n->table(lang), nullptr);
    QVERIFY(QCoreApplication::installTranslator(translator.get()));
}

void TestStringTable::keysShowBeforeAnyTranslator()
{
    QCOMPARE(QCoreApplication::translate("MainWindow", "MenuLanguage"),
             QStringLiteral("MenuLanguage"));
    QCOMPARE(QCoreApplication::translate("FileWorker", "写入失败 (%1)"),
             QStringLiteral("写入失败 (%1)"));
}

void TestStringTable::entryCount()
{
    QCOMPARE(int(baseStringTableSize), 153);
    QCOMPARE(int(stringTableAdditionsSize), 7);
}

void TestStringTable::entriesInOrder_data()
{
    QTest::addColumn<int>("position");  // 1-based
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("english");

    const struct {
        int position;
        const char *key;
        const char *english;
    } rows[] = {
        {1, "MenuLanguage", "Language"},
        {2, "LangZh", "中文"},
        {3, "LangEn", "English"},
        {4, "GroupTestSettings", "Test Settings"},
        {26, "CheckReadTest",
         "Run read test (when off, only write runs; read UI and columns are hidden)"},
        {30, "ProgressInitial", "Current: -- MB/s  |  Avg: -- MB/s"},
        {32, "RoundPrefix", "Round %1/%2 · "},
        {49, "DriveWarnNoDrive",
         "⚠ No removable drive detected — please insert an memory card / USB drive"},
        {63, "MetricDropFormula",
         "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>"},
        {65, "TipSlcTrim",
         "When enabled, auto-detect the SLC→TLC transition point and recompute "
         "avg/max/min/jitter/CV/drop using the steady-state segment only. Prevents the "
         "high-speed cache peak from inflating jitter and causing the card to be misjudged as "
         "\"Fail\". True pSLC cards or cards with no cliff will not have any samples trimmed."},
        {68, "LabelPerStreamReadMin", "Per-stream read min  ≥"},
        {74, "TipFullCap",
         "When enabled, the one-shot [Test size] cap is ignored: each file is the selected "
         "[Test size], the card is filled sequentially first, then each subsequent round "
         "deletes the earliest file and writes a new one at the end.\nUseful for observing the "
         "true steady state after SLC cache exhaustion and the card's long-term write "
         "endurance.\nEnabling this mode forces [Streams] to 1."},
        {76, "SuffixRuns", " runs"},
        {77, "TipIterations",
         "Without [Fill entire card]: repeat the whole test N rounds (curves / samples "
         "accumulate continuously).\nWith [Fill entire card]: the number of rolling-rewrite "
         "rounds after filling the card (each round = delete earliest file + write a new one at "
         "the end).\nDefault 1."},
        {85, "MsgNoRemovableBody",
         "Please insert an memory card / USB drive, click \"Refresh\", then start the test."},
        {87, "MsgBlockedBody",
         "Target %1 is not a removable drive — the test is refused to protect local data.\n\n"
         "Please insert an memory card / USB drive and click \"Refresh\" to re-select."},
        {100, "MsgFormatting", "Formatting %1 …"},
        {107, "MsgLowSpaceBody",
         "Selected drive has insufficient free space.\nRequired: %1 MB\nAvailable: %2 MB"},
        {115, "VerdictTooltip",
         "Write: jitter %1% · CV %2% · drops %3/%4 (%5%) · min %6 MB/s\nRead : jitter %7% · CV "
         "%8% · drops %9/%10 (%11%) · min %12 MB/s\n\nRules (any subitem trips the row):\n  "
         "Fail: jitter > %13% | CV > %14% | drops > %15% | min < threshold×%16\n  Warn: jitter "
         "> %17% | CV > %18% | drops > %19% | min < threshold"},
        {116, "VerdictDropSamples", "%1 / %2 samples below avg×60%"},
        {120, "LogRoundEnter", "—— Starting round %1/%2 ——"},
        {128, "LogSizeBlock", "Total: %1 MB   Block: %2 KB"},
        {137, "LogBeginWrite", "  Writing %1"},
        {144, "LogRollingParams",
         "Per file: %1 MB   Initial fill: %2 files   Rolling rewrite: %3 rounds   Total: %4 "
         "writes"},
        {147, "LogRollingDone", "========== Rolling-fill test complete =========="},
        {148, "ErrOpenSource", "Cannot open source file: %1"},
        {151, "ErrReadSource", "Reading source file failed (%1)"},
        {153, "ErrRead", "Read failed (%1)"},
    };
    for (const auto &row : rows)
        QTest::addRow("%d %s", row.position, row.key)
            << row.position << QString::fromUtf8(row.key) << QString::fromUtf8(row.english);
}

void TestStringTable::entriesInOrder()
{
    QFETCH(int, position);
    QFETCH(QString, key);
    QFETCH(QString, english);

    const StringEntry &entry = baseStringTable[position - 1];
    QCOMPARE(QString::fromUtf8(entry.key), key);
    QCOMPARE(QString::fromUtf8(entry.english), english);

    install(English);
    QCOMPARE(translated("MainWindow", key), english);
}

void TestStringTable::additionAfterTable()
{
    const StringEntry &entry = stringTableAdditions[0];
    QCOMPARE(QString::fromUtf8(entry.key), QStringLiteral("LogCacheFallback"));
    const QString english =
        QStringLiteral("Note: this file system refuses unbuffered I/O; the test "
                       "used buffered I/O and dropped the page cache before "
                       "reading back.");
    QCOMPARE(QString::fromUtf8(entry.english), english);
    for (std::size_t i = 0; i < baseStringTableSize; ++i)
        QVERIFY(QString::fromUtf8(baseStringTable[i].key) != QStringLiteral("LogCacheFallback"));

    // The engine logs it by key.
    install(English);
    QCOMPARE(QCoreApplication::translate("SpeedTester", "LogCacheFallback"), english);
    for (Language lang : {SimplifiedChinese, TraditionalChinese}) {
        install(lang);
        const QString text = QCoreApplication::translate("SpeedTester", "LogCacheFallback");
        QCOMPARE(text, textOf(entry, lang));
        QVERIFY(text != english);
    }
}

void TestStringTable::fixedChineseTexts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("traditional");

    const char *const rows[][4] = {
        {"MenuLanguage", "语言", "Language", "語言"},
        {"LangZh", "中文", "中文", "中文"},
        {"LangEn", "English", "English", "English"},
        {"BtnStop", "停止", "Stop", "停止"},
        {"BtnCancel", "取消", "Cancel", "取消"},
        {"LabelWrite", "写入", "Write", "寫入"},
        {"LabelRead", "读取", "Read", "讀取"},
        {"RoundPrefix", "第 %1/%2 轮 · ", "Round %1/%2 · ", "第 %1/%2 輪 · "},
        {"VerdictPass", "✓ 达标", "✓ Pass", "✓ 達標"},
        {"VerdictWarn", "⚠ 警告", "⚠ Warn", "⚠ 警告"},
        {"VerdictFail", "✗ 不达标", "✗ Fail", "✗ 未達標"},
        {"MetricJitterFormula",
         "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>",
         "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>",
         "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>"},
        {"MetricCVFormula",
         "<span style='color:#888;font-size:9pt;'>trimmed stddev/avg · [P5,P95]</span>",
         "<span style='color:#888;font-size:9pt;'>trimmed stddev/avg · [P5,P95]</span>",
         "<span style='color:#888;font-size:9pt;'>trimmed stddev/avg · [P5,P95]</span>"},
        {"MetricDropFormula",
         "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>",
         "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>",
         "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>"},
        {"ErrOpenSource", "无法打开源文件: %1", "Cannot open source file: %1",
         "無法開啟來源檔案: %1"},
        {"ErrCreateTarget", "无法创建目标文件: %1", "Cannot create target file: %1",
         "無法建立目標檔案: %1"},
        {"ErrOpenForRead", "无法读取文件: %1", "Cannot open file for reading: %1",
         "無法讀取檔案: %1"},
        {"ErrReadSource", "读取源文件失败 (%1)", "Reading source file failed (%1)",
         "讀取來源檔案失敗 (%1)"},
        {"ErrWrite", "写入失败 (%1)", "Write failed (%1)", "寫入失敗 (%1)"},
        {"ErrRead", "读取失败 (%1)", "Read failed (%1)", "讀取失敗 (%1)"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1])
                              << QString::fromUtf8(row[2]) << QString::fromUtf8(row[3]);
}

void TestStringTable::fixedChineseTexts()
{
    QFETCH(QString, key);
    QFETCH(QString, simplified);
    QFETCH(QString, english);
    QFETCH(QString, traditional);

    const QString expected[] = {simplified, english, traditional};
    for (Language lang : allLanguages) {
        install(lang);
        QCOMPARE(translated("MainWindow", key), expected[lang]);
    }
}

void TestStringTable::chineseSourceTexts_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("traditional");

    QTest::newRow("open source") << QStringLiteral("无法打开源文件: %1")
                                 << QStringLiteral("Cannot open source file: %1")
                                 << QStringLiteral("無法開啟來源檔案: %1");
    QTest::newRow("create target")
        << QStringLiteral("无法创建目标文件: %1") << QStringLiteral("Cannot create target file: %1")
        << QStringLiteral("無法建立目標檔案: %1");
    QTest::newRow("open for read")
        << QStringLiteral("无法读取文件: %1") << QStringLiteral("Cannot open file for reading: %1")
        << QStringLiteral("無法讀取檔案: %1");
    QTest::newRow("read source") << QStringLiteral("读取源文件失败 (%1)")
                                 << QStringLiteral("Reading source file failed (%1)")
                                 << QStringLiteral("讀取來源檔案失敗 (%1)");
    QTest::newRow("write") << QStringLiteral("写入失败 (%1)") << QStringLiteral("Write failed (%1)")
                           << QStringLiteral("寫入失敗 (%1)");
    QTest::newRow("read") << QStringLiteral("读取失败 (%1)") << QStringLiteral("Read failed (%1)")
                          << QStringLiteral("讀取失敗 (%1)");
    QTest::newRow("chart write") << QStringLiteral("写入") << QStringLiteral("Write")
                                 << QStringLiteral("寫入");
    QTest::newRow("chart read") << QStringLiteral("读取") << QStringLiteral("Read")
                                << QStringLiteral("讀取");
}

void TestStringTable::chineseSourceTexts()
{
    QFETCH(QString, source);
    QFETCH(QString, english);
    QFETCH(QString, traditional);

    install(English);
    QCOMPARE(translated("FileWorker", source), english);
    install(TraditionalChinese);
    QCOMPARE(translated("FileWorker", source), traditional);
    install(SimplifiedChinese);
    QCOMPARE(translated("FileWorker", source), source);
    // Filled afterwards like the worker does.
    install(English);
    if (source.contains(QLatin1String("%1")))
        QCOMPARE(translated("FileWorker", source).arg(QStringLiteral("/media/card/a.dat")),
                 QString(english).replace(QLatin1String("%1"), QLatin1String("/media/card/a.dat")));
}

void TestStringTable::lookupStringsPerLanguage()
{
    const int expected = 2 * int(baseStringTableSize + stringTableAdditionsSize);
    QCOMPARE(expected, 320);
    for (Language lang : allLanguages)
        QCOMPARE(i18n->table(lang).size(), expected);
}

void TestStringTable::everyEntryAnswersKeyAndSimplifiedText()
{
    for (const StringEntry &entry : allEntries()) {
        const QString key = QString::fromUtf8(entry.key);
        const QString simplified = QString::fromUtf8(entry.simplified);
        for (Language lang : allLanguages) {
            const QString text = textOf(entry, lang);
            QVERIFY2(!text.isEmpty(), qPrintable(key + QLatin1Char(' ') + languageName(lang)));
            QCOMPARE(i18n->table(lang).value(key), text);
            QCOMPARE(i18n->table(lang).value(simplified), text);
        }
    }
}

void TestStringTable::keysAndSimplifiedTextsDistinct()
{
    QSet<QString> keys;
    QSet<QString> simplifiedTexts;
    const auto entries = allEntries();
    for (const StringEntry &entry : entries) {
        const QString key = QString::fromUtf8(entry.key);
        const QString simplified = QString::fromUtf8(entry.simplified);
        QVERIFY2(!keys.contains(key), qPrintable(QStringLiteral("duplicate key ") + key));
        QVERIFY2(!simplifiedTexts.contains(simplified),
                 qPrintable(QStringLiteral("duplicate Simplified Chinese text of ") + key));
        keys.insert(key);
        simplifiedTexts.insert(simplified);
        QVERIFY2(QRegularExpression(QStringLiteral("^[A-Z][A-Za-z0-9]*$")).match(key).hasMatch(),
                 qPrintable(key));
    }
    for (const QString &text : qAsConst(simplifiedTexts))
        QVERIFY2(!keys.contains(text), qPrintable(QStringLiteral("key used as text: ") + text));
    QCOMPARE(keys.size(), entries.size());
}

void TestStringTable::sameShapeInAllLanguages()
{
    for (const StringEntry &entry : allEntries()) {
        const QString key = QString::fromUtf8(entry.key);
        const QString english = QString::fromUtf8(entry.english);
        for (Language lang : {SimplifiedChinese, TraditionalChinese}) {
            const QString text = textOf(entry, lang);
            const QByteArray where = (key + QLatin1Char(' ') + languageName(lang)).toUtf8();
            QVERIFY2(placeholders(text) == placeholders(english), where.constData());
            QVERIFY2(text.count(QLatin1Char('\n')) == english.count(QLatin1Char('\n')),
                     where.constData());
            QVERIFY2(leadingBlanks(text) == leadingBlanks(english), where.constData());
            QVERIFY2(trailingBlanks(text) == trailingBlanks(english), where.constData());
        }
    }
    // The check itself must see the placeholders of a long text.
    QCOMPARE(placeholders(QStringLiteral("drops %9/%10 (%11%)")), (QSet<int>{9, 10, 11}));
}

void TestStringTable::unknownKeyShowsItself_data()
{
    QTest::addColumn<QString>("source");

    QTest::newRow("misspelt key") << QStringLiteral("MenuLanguag");
    QTest::newRow("unknown key") << QStringLiteral("LogNoSuchLine");
    QTest::newRow("lower case") << QStringLiteral("menulanguage");
    QTest::newRow("upper case") << QStringLiteral("MENULANGUAGE");
    QTest::newRow("leading blank") << QStringLiteral(" MenuLanguage");
    QTest::newRow("trailing blank") << QStringLiteral("MenuLanguage ");
    QTest::newRow("Chinese with blank") << QStringLiteral("写入失败 (%1) ");
    QTest::newRow("other placeholder") << QStringLiteral("写入失败 (%2)");
}

void TestStringTable::unknownKeyShowsItself()
{
    QFETCH(QString, source);

    for (Language lang : allLanguages) {
        install(lang);
        QCOMPARE(translated("MainWindow", source), source);
    }
}

void TestStringTable::englishAndTraditionalTextsAreNotLookupStrings()
{
    int checked = 0;
    for (Language lang : allLanguages) {
        install(lang);
        QCOMPARE(QCoreApplication::translate("FileWorker", "Write failed"),
                 QStringLiteral("Write failed"));
        for (const StringEntry &entry : allEntries()) {
            for (Language textLang : {English, TraditionalChinese}) {
                const QString text = textOf(entry, textLang);
                if (text == QString::fromUtf8(entry.simplified))
                    continue;  // shares its text with the Simplified Chinese one
                QCOMPARE(translated("MainWindow", text), text);
                ++checked;
            }
        }
    }
    QVERIFY(checked > 3 * 250);
}

void TestStringTable::contextIsIgnored()
{
    for (Language lang : allLanguages) {
        install(lang);
        const QString expected = i18n->table(lang).value(QStringLiteral("BtnStart"));
        for (const char *context : {"MainWindow", "SpeedTester", "QObject", ""})
            QCOMPARE(QCoreApplication::translate(context, "BtnStart"), expected);
        QCOMPARE(QObject::tr("BtnStart"), expected);
        QCOMPARE(QCoreApplication::translate("MainWindow", "BtnStart", "disambiguation", 3),
                 expected);
    }
}

void TestStringTable::languageNamesFixed()
{
    for (Language lang : allLanguages) {
        install(lang);
        QCOMPARE(QCoreApplication::translate("MainWindow", "LangZh"), QStringLiteral("中文"));
        QCOMPARE(QCoreApplication::translate("MainWindow", "LangEn"), QStringLiteral("English"));
    }
}

void TestStringTable::translatorEdgeCases()
{
    I18n::Translator bound(&i18n->table(English), nullptr);
    QVERIFY(!bound.isEmpty());
    QVERIFY(bound.translate("MainWindow", nullptr).isNull());
    QVERIFY(bound.translate("MainWindow", "NoSuchKey").isNull());
    QCOMPARE(bound.translate(nullptr, "BtnStop"), QStringLiteral("Stop"));

    I18n::Translator unbound(nullptr, nullptr);
    QVERIFY(!unbound.isEmpty());
    QVERIFY(unbound.translate("MainWindow", "BtnStop").isNull());
}

void TestStringTable::headlessStartDoesNotAsk()
{
    translator.reset();
    const QString key = QStringLiteral("ui/language");
    // No widget application, no question: the default applies and nothing is stored.
    {
        I18n headless;
        headless.initLanguage();
        QCOMPARE(headless.language(), SimplifiedChinese);
        QCOMPARE(headless.installedTranslator(), headless.translatorFor(SimplifiedChinese));
        QCOMPARE(QCoreApplication::translate("Cli", "BtnStop"), QStringLiteral("停止"));
        QVERIFY(!QSettings().contains(key));
    }
    QSettings().setValue(key, int(English));
    {
        I18n headless;
        headless.initLanguage();
        QCOMPARE(headless.language(), English);
        QCOMPARE(QCoreApplication::translate("Cli", "BtnStop"), QStringLiteral("Stop"));
    }
    QSettings().remove(key);
    QCOMPARE(QCoreApplication::translate("Cli", "BtnStop"), QStringLiteral("BtnStop"));
}

QTEST_GUILESS_MAIN(TestStringTable)
#include "tst_stringtable.moc"
