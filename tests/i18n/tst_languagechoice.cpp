#include "i18n.h"
#include "isolatedsettings.h"
#include "languagequestion.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

const char *const languageKey = "ui/language";

QString menuTitle()
{
    return QCoreApplication::translate("MainWindow", "MenuLanguage");
}

QString menuTitleIn(Language lang)
{
    switch (lang) {
    case English:
        return QStringLiteral("Language");
    case TraditionalChinese:
        return QStringLiteral("語言");
    default:
        return QStringLiteral("语言");
    }
}

// Answers the modal message box that appears while it runs: clicks the button with the
// given text, or closes the box without a click when the text is empty. Records what it
// saw, so a test can tell whether a question was asked at all.
class ModalAnswerer : public QObject
{
public:
    explicit ModalAnswerer(const QString &buttonText)
        : answer(buttonText)
    {
        connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
        timer.start(10);
    }

    int questionsSeen = 0;
    QString title;
    QString text;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++questionsSeen;
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton *button : box->buttons()) {
            if (!answer.isEmpty() && button->text() == answer) {
                button->click();
                return;
            }
        }
        box->done(0);
    }

    QString answer;
    QTimer timer;
};

// Counts the language-change events a widget receives.
class LanguageProbe : public QWidget
{
public:
    using QWidget::QWidget;
    int changes = 0;

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange)
            ++changes;
        QWidget::changeEvent(event);
    }
};

}  // namespace

// The first-start question, the stored choice and switching at run time.
class TestLanguageChoice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void instanceStartsWithoutTranslator();
    void questionTexts();
    void questionChoice_data();
    void questionChoice();
    void firstStartAsks_data();
    void firstStartAsks();
    void storedValueApplied_data();
    void storedValueApplied();
    void switchInstallsOneTranslator_data();
    void switchInstallsOneTranslator();
    void switchToCurrentDoesNothing();
    void switchReachesWidgets();
    void lookupsDuringSwitches();

private:
    I18n *freshI18n();

    QTemporaryDir settingsDir;
    std::unique_ptr<I18n> i18n;
};

void TestLanguageChoice::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY2(isolateSettings(settingsDir.path()), "settings are not redirected");
}

void TestLanguageChoice::cleanup()
{
    i18n.reset();  // deletes its translators, which uninstalls them
    QSettings().clear();
}

I18n *TestLanguageChoice::freshI18n()
{
    i18n = std::make_unique<I18n>();
    return i18n.get();
}

void TestLanguageChoice::instanceStartsWithoutTranslator()
{
    I18n *object = I18n::instance();
    QCOMPARE(I18n::instance(), object);
    QCOMPARE(object->language(), SimplifiedChinese);
    QVERIFY(!object->installedTranslator());
    QVERIFY(!object->translatorFor(English));
    QCOMPARE(menuTitle(), QStringLiteral("MenuLanguage"));
    QCOMPARE(object->table(English).value(QStringLiteral("MenuLanguage")),
             QStringLiteral("Language"));
}

void TestLanguageChoice::questionTexts()
{
    LanguageQuestion question;
    QMessageBox &box = question.box();
    QVERIFY(!box.parent());
    QCOMPARE(box.windowTitle(), QStringLiteral("Select Language / 选择语言 / 選擇語言"));
    QCOMPARE(box.text(),
             QStringLiteral("Please choose your language.\n请选择语言。\n請選擇語言。"));
    QCOMPARE(box.icon(), QMessageBox::Question);
    QCOMPARE(box.buttons().size(), 3);
    QCOMPARE(question.simplifiedButton()->text(), QStringLiteral("简体中文"));
    QCOMPARE(question.traditionalButton()->text(), QStringLiteral("繁體中文"));
    QCOMPARE(question.englishButton()->text(), QStringLiteral("English"));
    for (QAbstractButton *button : box.buttons())
        QCOMPARE(box.buttonRole(button), QMessageBox::AcceptRole);
    QCOMPARE(box.defaultButton(), question.simplifiedButton());
}

void TestLanguageChoice::questionChoice_data()
{
    QTest::addColumn<int>("button");  // 0..2 in the box's order, -1 for none
    QTest::addColumn<Language>("expected");

    QTest::newRow("simplified") << 0 << SimplifiedChinese;
    QTest::newRow("traditional") << 1 << TraditionalChinese;
    QTest::newRow("english") << 2 << English;
    QTest::newRow("closed without a click") << -1 << SimplifiedChinese;
}

void TestLanguageChoice::questionChoice()
{
    QFETCH(int, button);
    QFETCH(Language, expected);

    LanguageQuestion question;
    QPushButton *const buttons[] = {question.simplifiedButton(), question.traditionalButton(),
                                    question.englishButton()};
    question.box().show();
    QVERIFY(QTest::qWaitForWindowExposed(&question.box()));
    if (button >= 0)
        buttons[button]->click();
    else
        question.box().done(0);
    QTRY_VERIFY(!question.box().isVisible());
    QCOMPARE(question.choice(), expected);
}

void TestLanguageChoice::firstStartAsks_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<Language>("expected");

    QTest::newRow("English") << QStringLiteral("English") << English;
    QTest::newRow("Traditional") << QStringLiteral("繁體中文") << TraditionalChinese;
    QTest::newRow("Simplified") << QStringLiteral("简体中文") << SimplifiedChinese;
    QTest::newRow("no click") << QString() << SimplifiedChinese;
}

void TestLanguageChoice::firstStartAsks()
{
    QFETCH(QString, answer);
    QFETCH(Language, expected);

    QVERIFY(!QSettings().contains(languageKey));
    freshI18n();
    QSignalSpy changed(i18n.get(), &I18n::languageChanged);
    {
        ModalAnswerer answerer(answer);
        i18n->initLanguage();
        QCOMPARE(answerer.questionsSeen, 1);
        QCOMPARE(answerer.title, QStringLiteral("Select Language / 选择语言 / 選擇語言"));
    }
    QCOMPARE(QSettings().value(languageKey).toInt(), int(expected));
    QCOMPARE(i18n->language(), expected);
    QCOMPARE(i18n->installedTranslator(), i18n->translatorFor(expected));
    QCOMPARE(menuTitle(), menuTitleIn(expected));
    QCOMPARE(changed.count(), 0);

    // The next start uses the stored choice without asking.
    i18n.reset();
    freshI18n();
    ModalAnswerer answerer(QStringLiteral("English"));
    i18n->initLanguage();
    QCoreApplication::processEvents();
    QCOMPARE(answerer.questionsSeen, 0);
    QCOMPARE(i18n->language(), expected);
}

void TestLanguageChoice::storedValueApplied_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<Language>("expected");

    QTest::newRow("0") << QVariant(0) << SimplifiedChinese;
    QTest::newRow("1") << QVariant(1) << English;
    QTest::newRow("2") << QVariant(2) << TraditionalChinese;
    QTest::newRow("3") << QVariant(3) << SimplifiedChinese;
    QTest::newRow("5") << QVariant(5) << SimplifiedChinese;
    QTest::newRow("-1") << QVariant(-1) << SimplifiedChinese;
    QTest::newRow("text 2") << QVariant(QStringLiteral("2")) << TraditionalChinese;
    QTest::newRow("not a number") << QVariant(QStringLiteral("English")) << SimplifiedChinese;
    QTest::newRow("1.5") << QVariant(QStringLiteral("1.5")) << SimplifiedChinese;
    QTest::newRow("empty text") << QVariant(QString()) << SimplifiedChinese;
}

void TestLanguageChoice::storedValueApplied()
{
    QFETCH(QVariant, stored);
    QFETCH(Language, expected);

    QSettings().setValue(languageKey, stored);
    const QString storedText = QSettings().value(languageKey).toString();
    QCOMPARE(I18n::languageFromSetting(QSettings().value(languageKey)), expected);

    freshI18n();
    QSignalSpy changed(i18n.get(), &I18n::languageChanged);
    ModalAnswerer answerer(QStringLiteral("English"));
    i18n->initLanguage();
    QCoreApplication::processEvents();
    QCOMPARE(answerer.questionsSeen, 0);
    QCOMPARE(i18n->language(), expected);
    QCOMPARE(i18n->installedTranslator(), i18n->translatorFor(expected));
    QCOMPARE(menuTitle(), menuTitleIn(expected));
    QCOMPARE(changed.count(), 0);
    // The stored value is never corrected.
    QVERIFY(QSettings().contains(languageKey));
    QCOMPARE(QSettings().value(languageKey).toString(), storedText);
}

void TestLanguageChoice::switchInstallsOneTranslator_data()
{
    QTest::addColumn<Language>("from");
    QTest::addColumn<Language>("to");

    const Language all[] = {SimplifiedChinese, English, TraditionalChinese};
    const char *const names[] = {"zh_CN", "en", "zh_TW"};
    for (Language from : all)
        for (Language to : all)
            if (from != to)
                QTest::addRow("%s to %s", names[from], names[to]) << from << to;
}

void TestLanguageChoice::switchInstallsOneTranslator()
{
    QFETCH(Language, from);
    QFETCH(Language, to);

    QSettings().setValue(languageKey, int(from));
    freshI18n();
    i18n->initLanguage();
    QCOMPARE(menuTitle(), menuTitleIn(from));
    I18n::Translator *const old = i18n->installedTranslator();
    QCOMPARE(old, i18n->translatorFor(from));

    QSignalSpy changed(i18n.get(), &I18n::languageChanged);
    i18n->setLanguage(to);

    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<Language>(), to);
    QCOMPARE(i18n->language(), to);
    QCOMPARE(menuTitle(), menuTitleIn(to));
    // Stored at once, not at exit.
    QCOMPARE(QSettings().value(languageKey).toInt(), int(to));
    // The old translator is gone from the application and the new one is in it.
    QVERIFY(!QCoreApplication::removeTranslator(old));
    QCOMPARE(i18n->installedTranslator(), i18n->translatorFor(to));
    QVERIFY(QCoreApplication::removeTranslator(i18n->installedTranslator()));
    QCOMPARE(menuTitle(), QStringLiteral("MenuLanguage"));
}

void TestLanguageChoice::switchToCurrentDoesNothing()
{
    // 7 selects Simplified Chinese; a write would replace it with 0.
    QSettings().setValue(languageKey, 7);
    freshI18n();
    i18n->initLanguage();
    I18n::Translator *const installed = i18n->installedTranslator();
    QSignalSpy changed(i18n.get(), &I18n::languageChanged);

    i18n->setLanguage(SimplifiedChinese);

    QCOMPARE(changed.count(), 0);
    QCOMPARE(QSettings().value(languageKey).toInt(), 7);
    QCOMPARE(i18n->installedTranslator(), installed);
    QCOMPARE(menuTitle(), menuTitleIn(SimplifiedChinese));
}

void TestLanguageChoice::switchReachesWidgets()
{
    QSettings().setValue(languageKey, int(SimplifiedChinese));
    freshI18n();
    i18n->initLanguage();
    LanguageProbe window;
    auto *child = new LanguageProbe(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    const int before = window.changes;
    const int childBefore = child->changes;

    i18n->setLanguage(English);

    QTRY_VERIFY(window.changes > before);
    QTRY_VERIFY(child->changes > childBefore);
}

void TestLanguageChoice::lookupsDuringSwitches()
{
    QSettings().setValue(languageKey, int(SimplifiedChinese));
    freshI18n();
    i18n->initLanguage();

    const QString source = QStringLiteral("写入失败 (%1)");
    const QSet<QString> valid = {source, QStringLiteral("Write failed (%1)"),
                                 QStringLiteral("寫入失敗 (%1)")};
    std::atomic<bool> done{false};
    std::atomic<int> lookups{0};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        while (!done.load()) {
            if (!valid.contains(QCoreApplication::translate("FileWorker", "写入失败 (%1)")))
                ++wrong;
            ++lookups;
        }
    });
    const Language cycle[] = {English, TraditionalChinese, SimplifiedChinese};
    for (int i = 0; i < 60; ++i)
        i18n->setLanguage(cycle[i % 3]);
    while (lookups.load() < 1000)
        std::this_thread::yield();
    done = true;
    reader.join();

    QCOMPARE(wrong.load(), 0);
    QCOMPARE(i18n->language(), SimplifiedChinese);
    QCOMPARE(QCoreApplication::translate("FileWorker", "写入失败 (%1)"), source);
}

QTEST_MAIN(TestLanguageChoice)
#include "tst_languagechoice.moc"
