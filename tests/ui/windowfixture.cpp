#include "windowfixture.h"

#include "filepicker.h"

bool WindowFixture::start(Language lang)
{
    FilePicker::setPicker([this](QWidget *parent, const QString &caption, const QString &filter) {
        const QString who = parent && parent == window.get() ? "window" : "other";
        pickerCalls << QStringList{who, caption, filter}.join(QLatin1Char('|'));
        return pickerAnswer;
    });
    return settingsDir.isValid() && startWindowEnvironment(settingsDir.path(), lang);
}

void WindowFixture::reset()
{
    window.reset();
    drives = std::make_shared<FakeDriveTable>();
    format = std::make_shared<FakeFormatScript>();
    prompts = PromptLog();
    pickerAnswer.clear();
    pickerCalls.clear();
    QSettings settings;
    settings.clear();
    settings.setValue(QStringLiteral("ui/language"), int(I18n::instance()->language()));
}

MainWindow &WindowFixture::open(bool fakeDrives)
{
    window.reset();
    window = std::make_unique<MainWindow>();
    window->setPromptHandler(prompts.handler());
    if (fakeDrives) {
        window->setDriveService(std::make_unique<FakeDriveService>(drives));
        window->setFormatService(std::make_unique<FakeFormatService>(format, drives));
    }
    window->show();
    return *window;
}

FakeDrive &WindowFixture::addCard(const std::string &root, qint64 freeBytes, qint64 totalBytes)
{
    FakeDrive &card = drives->drives[root];
    card.volume = {"CARD", "vfat"};
    card.space = {freeBytes, totalBytes};
    return card;
}

void WindowFixture::click(const char *button) const
{
    child<QPushButton>(button)->click();
}

QString WindowFixture::cell(int row, int column) const
{
    const QTableWidgetItem *item = child<QTableWidget>("resultsTable")->item(row, column);
    return item ? item->text() : QStringLiteral("<no item>");
}

QList<int> WindowFixture::hiddenColumns() const
{
    auto *table = child<QTableWidget>("resultsTable");
    QList<int> hidden;
    for (int column = 0; column < table->columnCount(); ++column) {
        if (table->isColumnHidden(column))
            hidden << column;
    }
    return hidden;
}

void WindowFixture::replay(const QVector<StreamSource> &sources)
{
    TestPlan plan;
    plan.read = window->verdictRules().enableRead;
    window->currentRun().replay(plan, sources);
    window->prepareResults(sources);
}

void WindowFixture::writePass(double card, const QVector<double> &streams)
{
    for (int percent = 0; percent <= 100; percent += 5) {
        window->currentRun().onWriteProgress(percent, card, card);
        for (int i = 0; i < streams.size(); ++i)
            window->currentRun().onFileWriteSample(i, percent, streams[i], streams[i]);
    }
    window->currentRun().onWriteFinished(card);
}

QVariantMap WindowFixture::storedGroup(const QString &group)
{
    QVariantMap values;
    QSettings settings;
    settings.beginGroup(group);
    for (const QString &key : settings.childKeys())
        values.insert(key, settings.value(key));
    return values;
}

void WindowTestCase::initTestCase()
{
    QVERIFY2(f.start(), "settings are not redirected");
}

void WindowTestCase::init()
{
    switchLanguage(English);
    f.reset();
    f.open();
}

void WindowTestCase::cleanup()
{
    f.reset();
}
