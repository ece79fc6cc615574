#include "windowfixture.h"

#include "isolatedsettings.h"
#include "languagequestion.h"
#include "verdictrulesdialog.h"

bool WindowFixture::start(Language lang)
{
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
    format = nullptr;
    prompts = PromptLog();
    QSettings settings;
    settings.clear();
    settings.setValue(QStringLiteral("ui/language"), int(I18n::instance()->language()));
}

MainWindow &WindowFixture::open(bool fakeDrives)
{
    window.reset();
    window = std::make_unique<MainWindow>();
    // The offscreen screen is 800 x 600: the window's usual size needs a full HD one.
    window->fitToScreen(QRect(0, 0, 1920, 1080));
    window->setPromptHandler(prompts.handler());
    if (fakeDrives) {
        window->setDriveService(std::make_unique<FakeDriveService>(drives));
        auto service = std::make_unique<FakeFormatService>(drives);
        format = service.get();
        window->setFormatService(std::move(service));
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

void WindowFixture::chooseSize(qint64 bytes, int streams)
{
    auto *sizes = child<QComboBox>("testSizeCombo");
    sizes->addItem(QStringLiteral("test"), QVariant::fromValue<qint64>(bytes));
    sizes->setCurrentIndex(sizes->count() - 1);
    child<QSpinBox>("streamCountSpin")->setValue(streams);
}

void WindowFixture::acceptRules(const std::function<void(VerdictRulesDialog *)> &edit) const
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&edit] {
        if (auto *d = qobject_cast<VerdictRulesDialog *>(QApplication::activeModalWidget())) {
            if (edit)
                edit(d);
            d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        }
    });
    poll.start(10);
    window->openVerdictSettings();
}

void WindowTestCase::init()
{
    switchLanguage(English);
    f.reset();
    f.open();
}

void switchLanguage(Language lang)
{
    I18n::instance()->setLanguage(lang);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

LogCapture::LogCapture()
{
    s_lines.clear();
    m_previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
}

void LogCapture::handle(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        s_lines << text.mid(11);
}
