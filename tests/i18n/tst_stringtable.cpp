// The string table and the translator's lookup rule, through the framework's own translate
// call with one translator installed at a time. The table is checked by its rules; only the
// texts other code or the user depends on word for word are spelled out here.
#include "i18n.h"
#include "isolatedsettings.h"
#include "stringtable.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const Language allLanguages[] = {SimplifiedChinese, English, TraditionalChinese};

QVector<StringEntry> allEntries()
{
    QVector<StringEntry> entries(baseStringTable, baseStringTable + baseStringTableSize);
    entries.append(QVector<StringEntry>(stringTableAdditions,
                                        stringTableAdditions + stringTableAdditionsSize));
    return entries;
}

QString textOf(const StringEntry &entry, Language lang)
{
    const char *const texts[] = {entry.simplified, entry.english, entry.traditional};
    return QString::fromUtf8(texts[lang]);
}

QString translated(const QString &source, const char *context = "MainWindow")
{
    return QCoreApplication::translate(context, source.toUtf8().constData());
}

// What the languages of one entry must share: the placeholders that QString::arg fills, the
// line breaks, and the blanks at either end (they belong to the text).
QString shapeOf(const QString &text)
{
    static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
    static const QRegularExpression ends(QStringLiteral("^(\\s*).*?(\\s*)$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QStringList found;
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    found.removeDuplicates();
    const auto blanks = ends.match(text);
    return QStringLiteral("%1 | %2 lines | [%3] [%4]")
        .arg(found.join(QLatin1Char(',')))
        .arg(text.count(QLatin1Char('\n')))
        .arg(blanks.captured(1), blanks.captured(2));
}
}  // namespace

class TestStringTable : public QObject
{
    Q_OBJECT

    QTemporaryDir settingsDir;
    std::unique_ptr<I18n> i18n;
    std::unique_ptr<I18n::Translator> translator;

    void install(Language lang)
    {
        translator.reset();  // its destructor uninstalls it
        translator = std::make_unique<I18n::Translator>(&i18n->table(lang), nullptr);
        QVERIFY(QCoreApplication::installTranslator(translator.get()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        // Only the headless start touches settings; they must not be the user's.
        QVERIFY2(isolateSettings(settingsDir.path()), "settings are not redirected");
        i18n = std::make_unique<I18n>();
    }

    // Every entry answers its key and its Simplified Chinese text in every language, with a
    // text of the same shape as the English one; nothing is overwritten, so each table holds
    // two lookup strings per entry.
    void everyEntryInEveryLanguage()
    {
        static const QRegularExpression keyForm(QStringLiteral("^[A-Z][A-Za-z0-9]*$"));
        const QVector<StringEntry> entries = allEntries();
        QCOMPARE(int(baseStringTableSize), 155);
        for (const StringEntry &entry : entries) {
            const QString key = QString::fromUtf8(entry.key);
            QVERIFY2(keyForm.match(key).hasMatch(), qPrintable(key));
            for (Language lang : allLanguages) {
                const QString text = textOf(entry, lang);
                const QByteArray where =
                    QStringLiteral("%1 in language %2").arg(key).arg(lang).toUtf8();
                QVERIFY2(!text.trimmed().isEmpty(), where.constData());
                QVERIFY2(shapeOf(text) == shapeOf(textOf(entry, English)), where.constData());
                QCOMPARE(i18n->table(lang).value(key), text);
                QCOMPARE(i18n->table(lang).value(QString::fromUtf8(entry.simplified)), text);
            }
        }
        for (Language lang : allLanguages)
            QCOMPARE(i18n->table(lang).size(), 2 * entries.size());
    }

    void exactTexts_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("texts");  // by Language; empty where not fixed

        const char *const jitter =
            "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>";
        const char *const cv =
            "<span style='color:#888;font-size:9pt;'>trimmed stddev/avg · [P5,P95]</span>";
        const char *const drop =
            "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>";
        const char *const rows[][4] = {
            // Fixed in all three languages; the Chinese ones of LabelWrite, LabelRead and the
            // Err entries are also what the chart and the worker pass as source texts.
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
            {"MetricJitterFormula", jitter, jitter, jitter},
            {"MetricCVFormula", cv, cv, cv},
            {"MetricDropFormula", drop, drop, drop},
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
            // English texts whose blanks and symbols the layout relies on.
            {"ProgressInitial", "", "Current: -- MB/s  |  Avg: -- MB/s", ""},
            {"DriveWarnNoDrive", "",
             "⚠ No removable drive detected — please insert an memory card / USB drive", ""},
            {"LabelPerStreamReadMin", "", "Per-stream read min  ≥", ""},
            {"SuffixRuns", "", " runs", ""},
            {"LogBeginWrite", "", "  Writing %1", ""},
            {"MsgLowSpaceBody", "",
             "Selected drive has insufficient free space.\nRequired: %1 MB\nAvailable: %2 MB", ""},
            {"LogCacheFallback", "",
             "Note: this file system refuses unbuffered I/O; the test used buffered I/O and "
             "dropped the page cache before reading back.",
             ""},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromUtf8(row[0])
                                  << QStringList{QString::fromUtf8(row[1]),
                                                 QString::fromUtf8(row[2]),
                                                 QString::fromUtf8(row[3])};
    }

    // Asked by key, and by the Simplified Chinese text where that is fixed.
    void exactTexts()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, texts);
        for (Language lang : allLanguages) {
            if (texts[lang].isEmpty())
                continue;
            install(lang);
            QCOMPARE(translated(key), texts[lang]);
            if (!texts[SimplifiedChinese].isEmpty())
                QCOMPARE(translated(texts[SimplifiedChinese], "FileWorker"), texts[lang]);
        }
    }

    void unknownSourceShowsItself_data()
    {
        QTest::addColumn<QString>("source");
        for (const char *source :
             {"MenuLanguag", "menulanguage", "MENULANGUAGE", " MenuLanguage", "MenuLanguage ",
              "写入失败 (%1) ", "写入失败 (%2)", "Write failed (%1)", "寫入失敗 (%1)"})
            QTest::newRow(source) << QString::fromUtf8(source);
    }

    // Lookup is exact, and English or Traditional Chinese texts are answers, never lookup
    // strings: a miss shows the source text in every language.
    void unknownSourceShowsItself()
    {
        QFETCH(QString, source);
        for (Language lang : allLanguages) {
            install(lang);
            QCOMPARE(translated(source), source);
        }
    }

    void contextIsIgnored()
    {
        for (Language lang : allLanguages) {
            install(lang);
            const QString expected = i18n->table(lang).value(QStringLiteral("BtnStart"));
            for (const char *context : {"MainWindow", "SpeedTester", "QObject", ""})
                QCOMPARE(QCoreApplication::translate(context, "BtnStart"), expected);
            QCOMPARE(QCoreApplication::translate("MainWindow", "BtnStart", "disambiguation", 3),
                     expected);
        }
    }

    void translatorEdgeCases()
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

    // The command-line tool has no widget application to ask with: it takes the stored
    // choice or Simplified Chinese, and stores nothing.
    void headlessStartDoesNotAsk()
    {
        translator.reset();
        QCOMPARE(translated(QStringLiteral("BtnStop")), QStringLiteral("BtnStop"));
        const QString key = QStringLiteral("ui/language");
        {
            I18n headless;
            headless.initLanguage();
            QCOMPARE(headless.language(), SimplifiedChinese);
            QCOMPARE(headless.installedTranslator(), headless.translatorFor(SimplifiedChinese));
            QCOMPARE(translated(QStringLiteral("BtnStop"), "Cli"), QStringLiteral("停止"));
            QVERIFY(!QSettings().contains(key));
        }
        QSettings().setValue(key, int(English));
        {
            I18n headless;
            headless.initLanguage();
            QCOMPARE(headless.language(), English);
            QCOMPARE(translated(QStringLiteral("BtnStop"), "Cli"), QStringLiteral("Stop"));
        }
        QSettings().remove(key);
        QCOMPARE(translated(QStringLiteral("BtnStop")), QStringLiteral("BtnStop"));
    }
};

QTEST_GUILESS_MAIN(TestStringTable)
#include "tst_stringtable.moc"
