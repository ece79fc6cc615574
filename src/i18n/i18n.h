#pragma once

#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTranslator>
#include <QVariant>

#include <functional>

// The UI language; the values are also what the "ui/language" setting stores.
enum Language { SimplifiedChinese = 0, English = 1, TraditionalChinese = 2 };
Q_DECLARE_METATYPE(Language)

struct StringEntry;

// Holds every text of the program in three languages, keyed by short ASCII keys, and one
// translator per language that answers the framework's tr() lookups from those tables.
// Exactly one translator is installed once initLanguage() has run.
class I18n : public QObject
{
    Q_OBJECT
public:
    // Answers lookups from one table of the I18n object, which outlives it.
    class Translator : public QTranslator
    {
    public:
        Translator(const QHash<QString, QString> *table, QObject *parent);
        ~Translator() override;

        // Exact match of the whole source text; a miss returns a null string so that the
        // framework shows the source text itself.
        QString translate(const char *context, const char *sourceText,
                          const char *disambiguation = nullptr, int n = -1) const override;
        // Never empty, so the framework always asks it.
        bool isEmpty() const override;

    private:
        const QHash<QString, QString> *table;
    };

    explicit I18n(QObject *parent = nullptr);
    ~I18n() override;

    static I18n *instance();

    Language language() const { return currentLanguage; }
    // Asks for the language on the first start through `ask`, then installs the stored
    // choice. Without a way to ask (the command-line tool) it uses the stored choice or
    // Simplified Chinese, and stores nothing.
    void initLanguage(const std::function<Language()> &ask = {});
    // Switches the installed translator, stores the choice and emits languageChanged. Meant
    // for after initLanguage(); before it, the translators are created on demand.
    void setLanguage(Language lang);
    // Installs the translator of `lang` for this process only: nothing is stored and
    // languageChanged is not emitted. For the command-line tool, whose --lang is a choice
    // for one run.
    void applyLanguage(Language lang);
    // The language stored under "ui/language", when a value is stored there at all.
    static bool storedLanguage(Language *lang);

    // The language a stored "ui/language" value selects: 1 and 2 as such, anything else
    // Simplified Chinese.
    static Language languageFromSetting(const QVariant &value);
    // "zh_CN", "en" or "zh_TW", as reports and the command line name the languages; an
    // unknown code is English.
    static QString codeOf(Language lang);
    static Language languageFromCode(const QString &code);

    // Read-only views for the language menu and for checks of the tables.
    const QHash<QString, QString> &table(Language lang) const;
    Translator *translatorFor(Language lang) const;
    Translator *installedTranslator() const { return currentTranslator; }

    // Where Qt's own translations (qtbase_zh_CN.qm, qtbase_zh_TW.qm) are looked for: beside
    // the program under translations/ (the Windows package), then Qt's own folder.
    static QStringList qtTranslationDirs();

signals:
    void languageChanged(Language lang);

private:
    void buildTable();
    void addEntry(const StringEntry &entry);
    void createTranslators();
    // Puts `lang`'s translators in the application: Qt's own for its dialogs and buttons
    // (when its file is there), then the table's, which is asked first.
    void install(Language lang);
    void uninstall();

    Language currentLanguage = SimplifiedChinese;
    QHash<QString, QString> tables[3];
    Translator *translators[3] = {nullptr, nullptr, nullptr};
    Translator *currentTranslator = nullptr;
    QTranslator *qtTranslator = nullptr;  // loaded for the Chinese languages only
};
