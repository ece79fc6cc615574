// Results that leave the window: after a real two-stream write and read test, the picture and
// the clipboard text say which card, how, when, and hold the whole table.
#include "filepicker.h"
#include "windowfixture.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

class TestWindowExport : public WindowTestCase
{
    Q_OBJECT
private slots:
    void afterARun()
    {
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
    }
};

QTEST_MAIN(TestWindowExport)
#include "tst_windowexport.moc"
