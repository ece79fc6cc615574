// The string table by its rules, the translator's exact lookup, and the language choice:
// asked at the first start, stored, switched at run time. Settings live in the test's folder.
#include "i18n.h"
#include "isolatedsettings.h"
#include "languagequestion.h"
#include "stringtable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
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

// What the languages of one entry share: the placeholders that QString::arg fills, the
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
    return QStringLiteral("%1 | %2 | [%3] [%4]")
        .arg(found.join(QLatin1Char(',')))
        .arg(text.count(QLatin1Char('\n')))
        .arg(blanks.captured(1), blanks.captured(2));
}

}  // namespace

class TestI18n : public QObject
{
    Q_OBJECT

    QTemporaryDir settingsDir;
    std::unique_ptr<I18n> i18n;
    int startSignals = -1;  // languageChanged emitted by the last start

    // A fresh start of the language choice, the question answered with the button of this
    // text or closed without a click; returns how many questions it asked.
    int start(const QString &answer = QStringLiteral("English"))
    {
        i18n = std::make_unique<I18n>();
        QSignalSpy changed(i18n.get(), &I18n::languageChanged);
        int asked = 0;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++asked;
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == answer)
                    return button->click();
            }
            box->done(0);
        });
        answerer.start(10);
        i18n->initLanguage(askLanguageAtFirstStart);
        startSignals = changed.count();
        return asked;
    }

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
        static const QRegularExpression keyForm(QStringLiteral("^[A-Z][A-Za-z0-9]*$"));
        static const QRegularExpression han(QStringLiteral("\\p{Han}"));
        QVector<StringEntry> entries(baseStringTable, baseStringTable + baseStringTableSize);
        entries.append(QVector<StringEntry>(stringTableAdditions,
                                            stringTableAdditions + stringTableAdditionsSize));
        I18n tables;
        for (const StringEntry &entry : entries) {
            const QString key = QString::fromUtf8(entry.key);
            QVERIFY2(keyForm.match(key).hasMatch(), qPrintable(key));
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

    // Through Qt's own lookup, whatever the context: a Simplified Chinese text finds its
    // entry; a near miss, or an English or Traditional text, is no lookup string, and a miss
    // is null so that Qt shows the source.
    void lookup()
    {
        I18n tables;
        for (Language lang : allLanguages) {
            I18n::Translator translator(&tables.table(lang), nullptr);
            QVERIFY(QCoreApplication::installTranslator(&translator));
            QCOMPARE(translated(QStringLiteral("写入失败 (%1)"), "FileWorker"),
                     tables.table(lang).value(QStringLiteral("ErrWrite")));
            for (const char *source :
                 {"MenuLanguag", " MenuLanguage", "Write failed (%1)", "寫入失敗 (%1)"}) {
                QVERIFY(translator.translate("MainWindow", source).isNull());
                QCOMPARE(translated(QString::fromUtf8(source), ""), QString::fromUtf8(source));
            }
        }
    }

    // The command-line tool cannot ask: it takes the stored choice or Simplified Chinese,
    // and stores nothing.
    void headlessStartDoesNotAsk()
    {
        {
            I18n headless;
            headless.initLanguage();
            QCOMPARE(headless.language(), SimplifiedChinese);
            QCOMPARE(translated(QStringLiteral("BtnStop"), "Cli"), QStringLiteral("停止"));
            QVERIFY(!QSettings().contains(languageKey));
        }
        QSettings().setValue(languageKey, int(English));
        I18n headless;
        headless.initLanguage();
        QCOMPARE(translated(QStringLiteral("BtnStop"), "Cli"), QStringLiteral("Stop"));
    }

    void firstStartAsks_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<Language>("expected");
        QTest::newRow("English") << QStringLiteral("English") << English;
        QTest::newRow("Traditional") << QStringLiteral("繁體中文") << TraditionalChinese;
        QTest::newRow("Simplified") << QStringLiteral("简体中文") << SimplifiedChinese;
        QTest::newRow("closed without a click") << QString() << SimplifiedChinese;
    }

    // The answer is stored and installed at once, without a languageChanged; the next start
    // uses it without asking.
    void firstStartAsks()
    {
        QFETCH(QString, answer);
        QFETCH(Language, expected);
        QCOMPARE(start(answer), 1);
        QCOMPARE(QSettings().value(languageKey).toInt(), int(expected));
        QCOMPARE(translated(QStringLiteral("LabelWrite")), writeIn(expected));
        QCOMPARE(startSignals, 0);
        QCOMPARE(start(), 0);
        QCOMPARE(i18n->language(), expected);
    }

    void storedValueApplied_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<Language>("expected");
        QTest::newRow("2") << QVariant(2) << TraditionalChinese;
        QTest::newRow("text 1") << QVariant(QStringLiteral("1")) << English;
        QTest::newRow("5") << QVariant(5) << SimplifiedChinese;
        QTest::newRow("not a number") << QVariant(QStringLiteral("English")) << SimplifiedChinese;
    }

    // A stored value is used without asking and is never corrected.
    void storedValueApplied()
    {
        QFETCH(QVariant, stored);
        QFETCH(Language, expected);
        QSettings().setValue(languageKey, stored);
        QCOMPARE(start(), 0);
        QCOMPARE(i18n->language(), expected);
        QCOMPARE(translated(QStringLiteral("LabelWrite")), writeIn(expected));
        QCOMPARE(startSignals, 0);
        QCOMPARE(QSettings().value(languageKey), stored);
    }

    void switchLanguage_data()
    {
        QTest::addColumn<Language>("from");
        QTest::addColumn<Language>("to");
        QTest::newRow("zh_CN to en") << SimplifiedChinese << English;
        QTest::newRow("en to zh_TW") << English << TraditionalChinese;
        QTest::newRow("zh_TW to zh_CN") << TraditionalChinese << SimplifiedChinese;
    }

    // The old translator leaves, the new one enters, the choice is stored at once and
    // announced once; the current language again changes nothing.
    void switchLanguage()
    {
        QFETCH(Language, from);
        QFETCH(Language, to);
        QSettings().setValue(languageKey, int(from));
        QCOMPARE(start(), 0);
        I18n::Translator *const old = i18n->installedTranslator();
        QSignalSpy changed(i18n.get(), &I18n::languageChanged);

        i18n->setLanguage(to);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(QSettings().value(languageKey).toInt(), int(to));
        QCOMPARE(translated(QStringLiteral("LabelWrite")), writeIn(to));
        QVERIFY(!QCoreApplication::removeTranslator(old));

        QSettings().setValue(languageKey, QStringLiteral("untouched"));
        i18n->setLanguage(to);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(QSettings().value(languageKey).toString(), QStringLiteral("untouched"));
    }

private:
    static QString writeIn(Language lang)
    {
        const char *const texts[] = {"写入", "Write", "寫入"};
        return QString::fromUtf8(texts[lang]);
    }
};

QTEST_MAIN(TestI18n)
#include "tst_i18n.moc"
