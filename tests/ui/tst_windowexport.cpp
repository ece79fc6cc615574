// Results that leave the window: after a real two-stream write and read test, the picture and
// the clipboard text say which card, how, when, and hold the whole table.
#include "clirunner.h"
#include "filepicker.h"
#include "windowfixture.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace {
// Every key path of a JSON value; arrays by their first element.
QStringList shape(const QJsonValue &value, const QString &path = QString())
{
    QStringList out{path};
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            out << shape(it.value(), path + '/' + it.key());
    } else if (value.isArray() && !value.toArray().isEmpty()) {
        out << shape(value.toArray().first(), path + "[]");
    }
    return out;
}
}  // namespace

class TestWindowExport : public WindowTestCase
{
    Q_OBJECT
private slots:
    void afterARun()
    {
        QTemporaryDir settingsDir;
        QTemporaryDir card;
        QVERIFY(card.isValid());
        f.addCard(QDir(card.path()).absolutePath().toStdString() + "/", 68719476736, 68719476736);
        QSettings().setValue(QStringLiteral("verdict/enableRead"), true);
        f.open();
        auto *sizes = f.child<QComboBox>("testSizeCombo");
        sizes->addItem(QStringLiteral("test"), QVariant::fromValue<qint64>(4 * 1048576));
        sizes->setCurrentIndex(sizes->count() - 1);
        f.child<QSpinBox>("streamCountSpin")->setValue(2);
        auto *image = f.window->findChild<QAction *>(QStringLiteral("saveImageAction"));
        auto *copy = f.window->findChild<QAction *>(QStringLiteral("copyResultsAction"));
        QVERIFY(!image->isEnabled() && !copy->isEnabled());

        f.click("startButton");
        QVERIFY(!image->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(f.child<QPushButton>("startButton")->isEnabled(), 60000);
        QVERIFY(image->isEnabled() && copy->isEnabled());

        // Tab-separated, header lines first: pastes into a spreadsheet or a forum post.
        copy->trigger();
        const QStringList lines = QGuiApplication::clipboard()->text().split('\n');
        QVERIFY2(lines.value(0).startsWith("Card tested: "), qPrintable(lines.value(0)));
        QVERIFY(lines.value(1).contains("Streams: 2") && lines.value(1).contains("Read: \u2713"));
        QVERIFY(lines.value(3).startsWith("Verdict: "));
        QCOMPARE(lines.value(5).split('\t').value(0), QStringLiteral("File"));
        QCOMPARE(lines.value(5).split('\t').size(), 14);  // label, 6 write, 6 read, verdict
        QCOMPARE(lines.value(8).split('\t').value(0), QStringLiteral("#2  Random stream #2"));

        QString suggested;
        const QString path = card.filePath("../results.png");
        FilePicker::setSaveNamer(
            [&](QWidget *, const QString &, const QString &name, const QString &) {
                suggested = name;
                return path;
            });
        image->trigger();
        FilePicker::setSaveNamer({});
        QVERIFY2(suggested.startsWith("LumoraCard_"), qPrintable(suggested));
        QVERIFY(suggested.endsWith(".png"));
        QImage png(path);
        QFile::remove(path);
        QVERIFY(!png.isNull());
        // Below the header, the chart's curves: colours other than white and grey.
        int coloured = 0;
        for (int y = 150; y < 500; y += 2) {
            for (int x = 30; x < png.width() - 30; x += 4) {
                const QColor c = png.pixelColor(x, y);
                coloured += qAbs(c.red() - c.blue()) > 40 || qAbs(c.green() - c.blue()) > 40;
            }
        }
        QVERIFY2(coloured > 50, qPrintable(QString::number(coloured)));
        QVERIFY(f.prompts.prompts.size() == 1);  // the format offer only

        // The report is the command line's, shape for shape, for the same test.
        const QString windowJson = card.filePath("../window.json");
        FilePicker::setSaveNamer([&](QWidget *, const QString &, const QString &, const QString &) {
            return windowJson;
        });
        f.window->findChild<QAction *>(QStringLiteral("saveReportAction"))->trigger();
        FilePicker::setSaveNamer({});
        CliRunner cli(settingsDir.path(), card.path());
        const QString cliJson = card.filePath("../cli.json");
        const CliRun run = cli.run({"--target", card.path(), "--force", "--size", "4M", "--streams",
                                    "2", "--read", "--json", cliJson});
        QVERIFY2(run.exitStatus == QProcess::NormalExit, qPrintable(run.err));
        QString error;
        const QJsonObject fromWindow = readJson(windowJson, &error).object();
        const QJsonObject fromCli = readJson(cliJson, &error).object();
        QFile::remove(windowJson);
        QFile::remove(cliJson);
        QCOMPARE(fromWindow.value("tool").toString(), QStringLiteral("lumoracard"));
        QCOMPARE(fromWindow.value("settings").toObject().value("streams").toInt(), 2);
        QCOMPARE(fromWindow.value("rows").toArray().size(), 3);
        QCOMPARE(shape(fromWindow), shape(fromCli));
    }
};

QTEST_MAIN(TestWindowExport)
#include "tst_windowexport.moc"
