#include "windowfixture.h"

#include "filepicker.h"
#include "isolatedsettings.h"
#include "languagequestion.h"

#include <QApplication>

bool WindowFixture::start(Language lang)
{
    FilePicker::setPicker([this](QWidget *, const QString &caption, const QString &) {
        pickerCalls << caption;
        return pickerAnswer;
    });
    if (!settingsDir.isValid() || !isolateSettings(settingsDir.path()))
        return false;
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    QSettings().setValue(QStringLiteral("ui/language"), int(lang));
    I18n::instance()->initLanguage(askLanguageAtFirstStart);
    return I18n::instance()->language() == lang;
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
    FakeDrive &card = (*drives)[root];
    card.volume = {"CARD", "vfat"};
    card.space = {freeBytes, totalBytes};
    return card;
}

void WindowFixture::replay(int streams)
{
    QVector<StreamSource> sources;
    for (int i = 1; i <= streams; ++i)
        sources.append(StreamSource{StreamSource::RandomStream, i, QString()});
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

void switchLanguage(Language lang)
{
    I18n::instance()->setLanguage(lang);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

ModalCloser::ModalCloser()
{
    connect(&timer, &QTimer::timeout, this, [this] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            ++closed;
            modal->close();
        }
    });
    timer.start(20);
}
