// Draws the main window after a finished two-stream test with reading, judged for a 4K front
// and 1080p rear dashcam, and saves it as a PNG, for a look at the whole layout in any language,
// without a card or a display.
//
//   window_screenshot [--lang en|zh_CN|zh_TW] [--screen WxH] [--history DB] [OUTPUT.png]
//
// With --history, the card history dialog over the database DB (its most recent card) is
// drawn instead.
//
// OUTPUT.png defaults to window.png in the temporary folder. --screen sizes the window for a
// screen with that free area (device-independent pixels), as on a small or scaled screen.
//
// The window's slots get a realistic pass: a fast cache segment, then a noisy steady state,
// one stream slower with a few dips. Settings go to a temporary folder.
#include "appidentity.h"
#include "historydialog.h"
#include "i18n.h"
#include "mainwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace {

// One pass of both streams: cur per stream, and the card total as their sum.
void feedPass(RoundRunner &w, bool write, std::mt19937 &rng)
{
    std::normal_distribution<double> noise(0.0, 1.0);
    const double cache[2] = {write ? 92.0 : 88.0, write ? 86.0 : 84.0};
    const double steady[2] = {write ? 38.0 : 82.0, write ? 29.0 : 77.0};
    double sum[2] = {0, 0};
    double totalSum = 0;
    const int reports = 100;
    for (int k = 0; k < reports; ++k) {
        double total = 0;
        for (int s = 0; s < 2; ++s) {
            double v = (write && k < 18) ? cache[s] : steady[s];
            v += noise(rng) * (write ? 1.8 : 1.2);
            if (write && s == 1 && k > 20 && k % 7 == 0)
                v *= 0.45;  // the slower stream stalls now and then
            sum[s] += v;
            total += v;
            if (write)
                w.onFileWriteSample(s, k, v, sum[s] / (k + 1));
            else
                w.onFileReadSample(s, k, v, sum[s] / (k + 1));
        }
        totalSum += total;
        if (write)
            w.onWriteProgress(k, total, totalSum / (k + 1));
        else
            w.onReadProgress(k, total, totalSum / (k + 1));
    }
    if (write)
        w.onWriteFinished(totalSum / reports);
    else
        w.onReadFinished(totalSum / reports);
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QString output = QDir::temp().filePath(QStringLiteral("window.png"));
    Language lang = English;
    // The offscreen platform's own screen is 800 x 600: without --screen, a full HD one.
    QSize screen(1920, 1080);
    QString history;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--lang") && i + 1 < args.size()) {
            const QString name = args[++i];
            lang = name == QLatin1String("zh_CN")   ? SimplifiedChinese
                   : name == QLatin1String("zh_TW") ? TraditionalChinese
                                                    : English;
        } else if (args[i] == QLatin1String("--screen") && i + 1 < args.size()) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            if (wh.size() == 2)
                screen = QSize(wh[0].toInt(), wh[1].toInt());
        } else if (args[i] == QLatin1String("--history") && i + 1 < args.size()) {
            history = args[++i];
        } else {
            output = args[i];
        }
    }

    // The user's own settings stay untouched: these go to a folder of their own.
    QTemporaryDir settingsDir;
    if (!settingsDir.isValid()) {
        std::fprintf(stderr, "cannot make a settings folder\n");
        return 1;
    }
    setApplicationIdentity();
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QSettings().setValue(QStringLiteral("ui/language"), int(lang));
    // Tested for a front and a rear camera, as the picker beside the stream count shows.
    QSettings().setValue(QStringLiteral("testSettings/dashcamProfile"), QStringLiteral("4k+1080p"));
    I18n::instance()->initLanguage();
    MainWindow window;
    window.fitToScreen(QRect(QPoint(0, 0), screen));
    window.show();
    window.findChild<QCheckBox *>(QStringLiteral("readTestCheck"))->setChecked(true);
    const QVector<StreamSource> streams = {{StreamSource::RandomStream, 1, QString()},
                                           {StreamSource::RandomStream, 2, QString()}};
    TestPlan plan;
    plan.read = true;
    parseDashcamProfile(QStringLiteral("4k+1080p"), &plan.dashcam);
    window.currentRun().replay(plan, streams);
    window.prepareResults(streams);
    std::mt19937 rng(7);
    feedPass(window.currentRun(), true, rng);
    feedPass(window.currentRun(), false, rng);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    HistoryDb db(history);
    const QVector<HistoryCard> cards = history.isEmpty() ? QVector<HistoryCard>() : db.cards();
    HistoryDialog dialog(history, cards.isEmpty() ? QString() : cards.first().key, showUserPrompt,
                         &window);
    if (!history.isEmpty()) {
        dialog.show();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    QWidget &shown = history.isEmpty() ? static_cast<QWidget &>(window) : dialog;
    if (!shown.grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s: %dx%d\n", qPrintable(output), shown.width(), shown.height());
    return 0;
}
