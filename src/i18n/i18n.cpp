#include "i18n.h"

#include "stringtable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSettings>

namespace {

const char *const languageKey = "ui/language";

// Anything but English and Traditional Chinese selects the Simplified Chinese table.
int tableIndex(Language lang)
{
    return (lang == English || lang == TraditionalChinese) ? int(lang) : int(SimplifiedChinese);
}

}  // namespace

I18n::Translator::Translator(const QHash<QString, QString> *table, QObject *parent)
    : QTranslator(parent)
    , table(table)
{}

I18n::Translator::~Translator() = default;

QString I18n::Translator::translate(const char *context, const char *sourceText,
                                    const char *disambiguation, int n) const
{
    Q_UNUSED(context)
    Q_UNUSED(disambiguation)
    Q_UNUSED(n)
    if (!sourceText || !table)
        return QString();
    // The tables never change after construction, so concurrent readers need no lock.
    const auto it = table->constFind(QString::fromUtf8(sourceText));
    return it == table->constEnd() ? QString() : it.value();
}

bool I18n::Translator::isEmpty() const
{
    return false;
}

I18n::I18n(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<Language>("Language");
    buildTable();
}

I18n::~I18n() = default;

I18n *I18n::instance()
{
    static I18n object;
    return &object;
}

void I18n::buildTable()
{
    for (std::size_t i = 0; i < baseStringTableSize; ++i)
        addEntry(baseStringTable[i]);
    for (std::size_t i = 0; i < stringTableAdditionsSize; ++i)
        addEntry(stringTableAdditions[i]);
}

void I18n::addEntry(const StringEntry &entry)
{
    const QString key = QString::fromUtf8(entry.key);
    const QString simplified = QString::fromUtf8(entry.simplified);
    const QString texts[3] = {simplified, QString::fromUtf8(entry.english),
                              QString::fromUtf8(entry.traditional)};
    // The Simplified Chinese text is a second lookup string: some callers pass it instead
    // of the key.
    for (int lang = 0; lang < 3; ++lang) {
        tables[lang].insert(key, texts[lang]);
        if (key != simplified)
            tables[lang].insert(simplified, texts[lang]);
    }
}

Language I18n::languageFromSetting(const QVariant &value)
{
    switch (value.toInt()) {
    case English:
        return English;
    case TraditionalChinese:
        return TraditionalChinese;
    default:
        return SimplifiedChinese;
    }
}

QStringList I18n::qtTranslationDirs()
{
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
            QLibraryInfo::location(QLibraryInfo::TranslationsPath)};
}

void I18n::uninstall()
{
    if (currentTranslator) {
        QCoreApplication::removeTranslator(currentTranslator);
        currentTranslator = nullptr;
    }
    if (qtTranslator)
        QCoreApplication::removeTranslator(qtTranslator);
}

void I18n::install(Language lang)
{
    uninstall();
    if (!translators[0])
        createTranslators();
    currentLanguage = lang;
    // English is Qt's own language; without the file Qt's texts simply stay English.
    if (lang != English) {
        if (!qtTranslator)
            qtTranslator = new QTranslator(this);
        const QString name = QStringLiteral("qtbase_") + codeOf(lang) + QStringLiteral(".qm");
        for (const QString &dir : qtTranslationDirs()) {
            const QString path = dir + QLatin1Char('/') + name;
            if (QFileInfo::exists(path) && qtTranslator->load(path)) {
                QCoreApplication::installTranslator(qtTranslator);
                break;
            }
        }
    }
    currentTranslator = translators[tableIndex(lang)];
    QCoreApplication::installTranslator(currentTranslator);
}

void I18n::createTranslators()
{
    // A second call starts over instead of stacking translators.
    uninstall();
    for (int lang = 0; lang < 3; ++lang) {
        delete translators[lang];
        translators[lang] = new Translator(&tables[lang], this);
    }
}

void I18n::initLanguage(const std::function<Language()> &ask)
{
    {
        QSettings settings;
        // Only a front end that can ask does; one that cannot keeps the default without
        // storing it, so that the first start of the window still asks.
        if (!settings.contains(languageKey) && ask)
            settings.setValue(languageKey, int(ask()));
        currentLanguage = languageFromSetting(settings.value(languageKey, 0));
    }
    createTranslators();
    install(currentLanguage);
}

void I18n::setLanguage(Language lang)
{
    if (lang == currentLanguage)
        return;
    install(lang);
    QSettings().setValue(languageKey, int(lang));
    emit languageChanged(lang);
}

void I18n::applyLanguage(Language lang)
{
    install(lang);
}

QString I18n::codeOf(Language lang)
{
    switch (lang) {
    case SimplifiedChinese:
        return QStringLiteral("zh_CN");
    case TraditionalChinese:
        return QStringLiteral("zh_TW");
    case English:
        break;
    }
    return QStringLiteral("en");
}

Language I18n::languageFromCode(const QString &code)
{
    if (code == QLatin1String("zh_CN"))
        return SimplifiedChinese;
    if (code == QLatin1String("zh_TW"))
        return TraditionalChinese;
    return English;
}

bool I18n::storedLanguage(Language *lang)
{
    const QSettings settings;
    if (!settings.contains(languageKey))
        return false;
    *lang = languageFromSetting(settings.value(languageKey));
    return true;
}

const QHash<QString, QString> &I18n::table(Language lang) const
{
    return tables[tableIndex(lang)];
}

I18n::Translator *I18n::translatorFor(Language lang) const
{
    return translators[tableIndex(lang)];
}
