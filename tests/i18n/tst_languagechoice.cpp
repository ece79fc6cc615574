// The first-start question, the stored choice and switching at run time. Every QSettings
// of this test lives in its own folder.
#include "i18n.h"
#include "isolatedsettings.h"
#include "languagequestion.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {
const char *const languageKey = "ui/language";
const char *const questionTitle = "Select Language / 选择语言 / 選擇語言";

QString menuTitle()
{
    return QCoreApplication::translate("MainWindow", "MenuLanguage");
}

QString menuTitleIn(Language lang)
{
    const char *const titles[] = {"语言", "Language", "語言"};
    return QString::fromUtf8(titles[lang]);
}

// Answers the modal message box that appears while it lives: clicks the button with the
// given text, or closes the box without a click when the text is empty. Counts the boxes,
// so a test can tell whether a question was asked at all.
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

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++questionsSeen;
        title = box->windowTitle();
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
}  // namespace

class TestLanguageChoice : public QObject
{
    Q_OBJECT

    QTemporaryDir settingsDir;
    std::unique_ptr<I18n> i18n;
    QString lastTitle;      // of the last question asked
    int startSignals = -1;  // languageChanged emitted by the last start

    // A fresh start of the language choice; returns how many questions it asked.
    int start(const QString &answer = QStringLiteral("English"))
    {
        i18n = std::make_unique<I18n>();
        QSignalSpy changed(i18n.get(), &I18n::languageChanged);
        ModalAnswerer answerer(answer);
        i18n->initLanguage(askLanguageAtFirstStart);
        QCoreApplication::processEvents();
        lastTitle = answerer.title;
        startSignals = changed.count();
        return answerer.questionsSeen;
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

    void instanceStartsWithoutTranslator()
    {
        I18n *object = I18n::instance();
        QCOMPARE(I18n::instance(), object);
        QCOMPARE(object->language(), SimplifiedChinese);
        QVERIFY(!object->installedTranslator());
        QVERIFY(!object->translatorFor(English));
        QCOMPARE(menuTitle(), QStringLiteral("MenuLanguage"));
    }

    // Fixed, trilingual texts: no translator is installed while the question is open.
    void questionTexts()
    {
        LanguageQuestion question;
        QMessageBox &box = question.box();
        QVERIFY(!box.parent());
        QCOMPARE(box.windowTitle(), QString::fromUtf8(questionTitle));
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
        QCOMPARE(lastTitle, QString::fromUtf8(questionTitle));
        QCOMPARE(QSettings().value(languageKey).toInt(), int(expected));
        QCOMPARE(i18n->language(), expected);
        QCOMPARE(i18n->installedTranslator(), i18n->translatorFor(expected));
        QCOMPARE(menuTitle(), menuTitleIn(expected));
        QCOMPARE(startSignals, 0);

        i18n.reset();
        QCOMPARE(start(), 0);
        QCOMPARE(i18n->language(), expected);
    }

    void storedValueApplied_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<Language>("expected");
        QTest::newRow("0") << QVariant(0) << SimplifiedChinese;
        QTest::newRow("1") << QVariant(1) << English;
        QTest::newRow("2") << QVariant(2) << TraditionalChinese;
        QTest::newRow("5") << QVariant(5) << SimplifiedChinese;
        QTest::newRow("-1") << QVariant(-1) << SimplifiedChinese;
        QTest::newRow("text 2") << QVariant(QStringLiteral("2")) << TraditionalChinese;
        QTest::newRow("not a number") << QVariant(QStringLiteral("English")) << SimplifiedChinese;
        QTest::newRow("1.5") << QVariant(QStringLiteral("1.5")) << SimplifiedChinese;
    }

    // A stored value is used without asking and is never corrected.
    void storedValueApplied()
    {
        QFETCH(QVariant, stored);
        QFETCH(Language, expected);
        QSettings().setValue(languageKey, stored);
        const QString storedText = QSettings().value(languageKey).toString();

        QCOMPARE(start(), 0);
        QCOMPARE(i18n->language(), expected);
        QCOMPARE(i18n->installedTranslator(), i18n->translatorFor(expected));
        QCOMPARE(menuTitle(), menuTitleIn(expected));
        QCOMPARE(startSignals, 0);
        QCOMPARE(QSettings().value(languageKey).toString(), storedText);
    }

    void switchInstallsOneTranslator_data()
    {
        QTest::addColumn<Language>("from");
        QTest::addColumn<Language>("to");
        // Each language once as the old and once as the new one.
        QTest::newRow("zh_CN to en") << SimplifiedChinese << English;
        QTest::newRow("en to zh_TW") << English << TraditionalChinese;
        QTest::newRow("zh_TW to zh_CN") << TraditionalChinese << SimplifiedChinese;
    }

    // The old translator leaves the application, the new one enters it, the choice is stored
    // at once (not at exit) and announced once.
    void switchInstallsOneTranslator()
    {
        QFETCH(Language, from);
        QFETCH(Language, to);
        QSettings().setValue(languageKey, int(from));
        QCOMPARE(start(), 0);
        I18n::Translator *const old = i18n->installedTranslator();
        QCOMPARE(old, i18n->translatorFor(from));
        QSignalSpy changed(i18n.get(), &I18n::languageChanged);

        i18n->setLanguage(to);

        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<Language>(), to);
        QCOMPARE(i18n->language(), to);
        QCOMPARE(menuTitle(), menuTitleIn(to));
        QCOMPARE(QSettings().value(languageKey).toInt(), int(to));
        QVERIFY(!QCoreApplication::removeTranslator(old));
        QCOMPARE(i18n->installedTranslator(), i18n->translatorFor(to));
        QVERIFY(QCoreApplication::removeTranslator(i18n->installedTranslator()));
        QCOMPARE(menuTitle(), QStringLiteral("MenuLanguage"));
    }

    void switchToCurrentDoesNothing()
    {
        // 7 selects Simplified Chinese; any write would replace it with 0.
        QSettings().setValue(languageKey, 7);
        QCOMPARE(start(), 0);
        I18n::Translator *const installed = i18n->installedTranslator();
        QSignalSpy changed(i18n.get(), &I18n::languageChanged);

        i18n->setLanguage(SimplifiedChinese);

        QCOMPARE(changed.count(), 0);
        QCOMPARE(QSettings().value(languageKey).toInt(), 7);
        QCOMPARE(i18n->installedTranslator(), installed);
    }

    // Worker threads keep calling tr() while the window thread switches: every answer is
    // one of the three texts, never garbage or a crash.
    void lookupsDuringSwitches()
    {
        QSettings().setValue(languageKey, int(SimplifiedChinese));
        QCOMPARE(start(), 0);
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
        QCOMPARE(QCoreApplication::translate("FileWorker", "写入失败 (%1)"), source);
    }
};

QTEST_MAIN(TestLanguageChoice)
#include "tst_languagechoice.moc"
