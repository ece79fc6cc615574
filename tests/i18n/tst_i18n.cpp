// The string table by its rules, the translator's exact lookup, every literal key of the
// sources in the table, and the language choice: stored, switched at run time. Settings
// live in the test's folder.
#include "i18n.h"
#include "isolatedsettings.h"
#include "stringtable.h"

#include <QtTest>

#include <memory>

namespace {
const Language allLanguages[] = {SimplifiedChinese, English, TraditionalChinese};
const QString languageKey = QStringLiteral("ui/language");

QString textOf(const StringEntry &entry, Language lang)
{
    const char *const texts[] = {entry.simplified, entry.english, entry.traditional};
    return QString::fromUtf8(texts[lang]);
}

QString translated(const QString &source, const char *context = "MainWindow")
{
    return QCoreApplication::translate(context, source.toUtf8().constData());
}

QString writeIn(Language lang)
{
    const char *const texts[] = {"写入", "Write", "寫入"};
    return QString::fromUtf8(texts[lang]);
}

// What the languages of one entry share: the placeholders that QString::arg fills, the line
// breaks, and the blanks at either end (they belong to the text).
QString shapeOf(const QString &text)
{
    static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
    QStringList found;
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    found.removeDuplicates();
    const int lead = text.indexOf(QRegularExpression(QStringLiteral("\\S")));
    const int trail = text.size() - 1 - text.lastIndexOf(QRegularExpression(QStringLiteral("\\S")));
    return QStringLiteral("%1 | %2 | %3 %4")
        .arg(found.join(QLatin1Char(',')))
        .arg(text.count(QLatin1Char('\n')))
        .arg(text.left(lead), text.right(trail));
}
}  // namespace

class TestI18n : public QObject
{
    Q_OBJECT

    QTemporaryDir settingsDir;
    std::unique_ptr<I18n> i18n;
private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        QVERIFY2(isolateSettings(settingsDir.path()), "settings are not redirected");
    }

    void cleanup()
    {
        i18n.reset();  // deletes its translators, which uninstalls them
        QSettings().clear();
    }

    // Every entry answers its key and its Simplified Chinese text in every language, with a
    // text of the English one's shape; nothing is overwritten, so each table holds two lookup
    // strings per entry. English texts hold no Chinese but the name of the language.
    void tableByItsRules()
    {
        static const QRegularExpression han(QStringLiteral("\\p{Han}"));
        QVector<StringEntry> entries(baseStringTable, baseStringTable + baseStringTableSize);
        entries.append(QVector<StringEntry>(stringTableAdditions,
                                            stringTableAdditions + stringTableAdditionsSize));
        I18n tables;
        for (const StringEntry &entry : entries) {
            const QString key = QString::fromUtf8(entry.key);
            QVERIFY2(key == "LangZh" || !textOf(entry, English).contains(han), qPrintable(key));
            for (Language lang : allLanguages) {
                const QString text = textOf(entry, lang);
                const QByteArray where = (key + QStringLiteral(" in %1").arg(lang)).toUtf8();
                QVERIFY2(!text.trimmed().isEmpty(), where.constData());
                QVERIFY2(shapeOf(text) == shapeOf(textOf(entry, English)), where.constData());
                QCOMPARE(tables.table(lang).value(key), text);
                QCOMPARE(tables.table(lang).value(QString::fromUtf8(entry.simplified)), text);
            }
        }
        for (Language lang : allLanguages)
            QCOMPARE(tables.table(lang).size(), 2 * entries.size());
    }

    // Through Qt's own lookup, whatever the context: a Simplified Chinese text finds its entry;
    // a near miss, or an English or Traditional text, is no lookup string, and a miss is null
    // so that Qt shows the source.
    void lookup()
    {
        I18n tables;
        I18n::Translator translator(&tables.table(TraditionalChinese), nullptr);
        QVERIFY(QCoreApplication::installTranslator(&translator));
        QCOMPARE(translated(QStringLiteral("写入失败 (%1)"), "FileWorker"),
                 tables.table(TraditionalChinese).value(QStringLiteral("ErrWrite")));
        for (const char *source :
             {"MenuLanguag", " MenuLanguage", "Write failed (%1)", "寫入失敗 (%1)"}) {
            QVERIFY(translator.translate("MainWindow", source).isNull());
            QCOMPARE(translated(QString::fromUtf8(source), ""), QString::fromUtf8(source));
        }
    }

    // Every key the sources look up literally, by tr("…"), translated("…") or
    // translate("context", "…"), is in the table: no language shows a bare key.
    void everyLiteralKeyIsInTheTable()
    {
        const QRegularExpression lookup(
            QStringLiteral("(?:\\btr|\\btranslated|translate\\(\\s*\"[^\"]*\"\\s*,)\\s*\\(?\\s*"
                           "\"((?:[^\"\\\\]|\\\\.)*)\"\\s*\\)"));
        I18n tables;
        QStringList missing;
        int found = 0;
        QDirIterator files(QStringLiteral(LUMORA_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            for (auto it = lookup.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext();) {
                const QString key = it.next().captured(1);
                ++found;
                if (!tables.table(English).contains(key))
                    missing << QFileInfo(file).fileName() + QStringLiteral(": ") + key;
            }
        }
        QVERIFY2(found > 200, qPrintable(QString::number(found)));  // the scan sees the texts
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n')));
    }

    void storedValueApplied_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<Language>("expected");
        QTest::newRow("none") << QVariant() << SimplifiedChinese;
        QTest::newRow("2") << QVariant(2) << TraditionalChinese;
        QTest::newRow("text 1") << QVariant(QStringLiteral("1")) << English;
        QTest::newRow("5") << QVariant(5) << SimplifiedChinese;
        QTest::newRow("not a number") << QVariant(QStringLiteral("English")) << SimplifiedChinese;
    }

    // The stored choice, or Simplified Chinese, is used without a languageChanged, and the
    // store is never written: a value is not corrected, none is not filled in.
    void storedValueApplied()
    {
        QFETCH(QVariant, stored);
        QFETCH(Language, expected);
        if (stored.isValid())
            QSettings().setValue(languageKey, stored);
        i18n = std::make_unique<I18n>();
        QSignalSpy changed(i18n.get(), &I18n::languageChanged);
        i18n->initLanguage();
        QCOMPARE(i18n->language(), expected);
        QCOMPARE(translated(QStringLiteral("LabelWrite"), "Cli"), writeIn(expected));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(QSettings().value(languageKey), stored);
    }

    // The old translator leaves, the new one enters, the choice is stored at once and
    // announced once; the current language again changes nothing. Qt's own texts (its
    // dialogs' buttons) follow, from Qt's translations.
    void switchLanguage()
    {
        const bool qtTexts = QFileInfo::exists(
            QLibraryInfo::location(QLibraryInfo::TranslationsPath) + "/qtbase_zh_TW.qm");
        const auto qtCancel = [] {
            return QCoreApplication::translate("QPlatformTheme", "Cancel");
        };
        i18n = std::make_unique<I18n>();
        i18n->initLanguage();
        QVERIFY(!qtTexts || qtCancel() != QLatin1String("Cancel"));
        QSignalSpy changed(i18n.get(), &I18n::languageChanged);
        for (Language to : {TraditionalChinese, English}) {
            I18n::Translator *const old = i18n->installedTranslator();
            i18n->setLanguage(to);
            QCOMPARE(QSettings().value(languageKey).toInt(), int(to));
            QCOMPARE(translated(QStringLiteral("LabelWrite")), writeIn(to));
            QVERIFY(!QCoreApplication::removeTranslator(old));
            QCOMPARE(qtCancel() == QLatin1String("Cancel"), !qtTexts || to == English);
        }
        QSettings().remove(languageKey);
        i18n->setLanguage(English);
        QVERIFY(!QSettings().contains(languageKey));
        QCOMPARE(changed.count(), 2);
        if (!qtTexts)
            QSKIP("qttranslations5-l10n is not installed: Qt's own texts stay English");
    }
};

QTEST_MAIN(TestI18n)
#include "tst_i18n.moc"
