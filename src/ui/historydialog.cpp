#include "historydialog.h"

#include "cardhistory.h"
#include "filepicker.h"
#include "historyrecorder.h"
#include "verdictcell.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QTableWidget>
#include <QTextStream>
#include <QVBoxLayout>

#include <cmath>

namespace {
const char *const kEnabledKey = "history/enabled";

QString figure(double v)
{
    return std::isnan(v) ? QStringLiteral("--") : QString::number(v, 'f', 2);
}

QString planText(const HistoryTest &t)
{
    return QStringLiteral("%1 · %2 × %3 KB")
        .arg(historyModeText(t.mode))
        .arg(t.streams)
        .arg(t.blockSize / 1024);
}

QString cardName(const HistoryCard &c)
{
    return c.label.isEmpty() ? c.description : c.label;
}

// A CSV field: quoted when it holds a separator, a quote or a line break.
QString csvField(QString text)
{
    if (!text.contains(QRegularExpression(QStringLiteral("[,\"\\n]"))))
        return text;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}
}  // namespace

HistoryChart::HistoryChart(QWidget *parent)
    : QWidget(parent)
{
    setMinimumHeight(180);
}

void HistoryChart::setTests(const QVector<HistoryTest> &tests)
{
    m_tests.clear();
    for (auto it = tests.crbegin(); it != tests.crend(); ++it)
        m_tests << *it;
    update();
}

void HistoryChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    const QRect plot = rect().adjusted(48, 12, -12, -28);
    p.setPen(QColor(0xd0, 0xd7, 0xde));
    p.drawRect(plot);
    double top = 0.0;
    for (const HistoryTest &t : m_tests) {
        for (double v : {t.writeAvg, t.readAvg, t.writeMin, t.readMin}) {
            if (!std::isnan(v))
                top = std::max(top, v);
        }
    }
    if (m_tests.isEmpty() || top <= 0.0)
        return;
    top *= 1.25;  // room for the legend
    p.setPen(QColor(0x55, 0x55, 0x55));
    for (int i = 0; i <= 4; ++i) {
        const int y = plot.bottom() - plot.height() * i / 4;
        p.drawText(QRect(0, y - 8, plot.left() - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(top * i / 4, 'f', 0));
    }
    const int n = m_tests.size();
    const auto xAt = [&](int i) {
        return n == 1 ? plot.center().x() : plot.left() + plot.width() * i / (n - 1);
    };
    p.drawText(QRect(plot.left(), plot.bottom() + 4, plot.width() / 2, 20), Qt::AlignLeft,
               m_tests.first().startedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));
    p.drawText(QRect(plot.center().x(), plot.bottom() + 4, plot.width() / 2, 20), Qt::AlignRight,
               m_tests.last().startedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));
    // Write in the results' blue, read in green; minimums dashed.
    const struct {
        double HistoryTest::*value;
        QColor color;
        Qt::PenStyle style;
    } curves[] = {
        {&HistoryTest::writeAvg, QColor(0x19, 0x76, 0xd2), Qt::SolidLine},
        {&HistoryTest::writeMin, QColor(0x19, 0x76, 0xd2), Qt::DashLine},
        {&HistoryTest::readAvg, QColor(0x2e, 0x7d, 0x32), Qt::SolidLine},
        {&HistoryTest::readMin, QColor(0x2e, 0x7d, 0x32), Qt::DashLine},
    };
    const char *const names[] = {"LabelHistWriteAvg", "LabelHistWriteMin", "LabelHistReadAvg",
                                 "LabelHistReadMin"};
    int legendX = plot.left() + 8;
    for (int i = 0; i < 4; ++i) {
        const QString name = tr(names[i]);
        p.setPen(QPen(curves[i].color, 2, curves[i].style));
        p.drawLine(legendX, plot.top() + 10, legendX + 20, plot.top() + 10);
        p.setPen(QColor(0x33, 0x33, 0x33));
        p.drawText(legendX + 24, plot.top() + 14, name);
        legendX += 32 + p.fontMetrics().horizontalAdvance(name);
    }
    for (const auto &c : curves) {
        QPainterPath path;
        bool started = false;
        for (int i = 0; i < n; ++i) {
            const double v = m_tests[i].*(c.value);
            if (std::isnan(v))
                continue;
            const QPointF point(xAt(i), plot.bottom() - plot.height() * v / top);
            started ? path.lineTo(point) : path.moveTo(point);
            started = true;
            p.setPen(Qt::NoPen);
            p.setBrush(c.color);
            p.drawEllipse(point, 3, 3);
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c.color, 2, c.style));
        p.drawPath(path);
    }
}

HistoryDialog::HistoryDialog(const QString &path, const QString &cardKey, PromptHandler prompt,
                             QWidget *parent)
    : QDialog(parent)
    , m_db(path)
    , m_prompt(std::move(prompt))
{
    setObjectName(QStringLiteral("historyDialog"));
    auto *layout = new QVBoxLayout(this);
    auto *cardRow = new QHBoxLayout;
    m_cardLabel = new QLabel(this);
    m_cardCombo = new QComboBox(this);
    m_cardCombo->setObjectName(QStringLiteral("historyCardCombo"));
    cardRow->addWidget(m_cardLabel);
    cardRow->addWidget(m_cardCombo, 1);
    layout->addLayout(cardRow);
    m_notice = new QLabel(this);
    m_notice->setWordWrap(true);
    m_notice->setText(m_db.notices().join(QLatin1Char('\n')));
    m_notice->setVisible(!m_notice->text().isEmpty());
    layout->addWidget(m_notice);
    m_chartCard = new QLabel(this);
    m_chartCard->setObjectName(QStringLiteral("historyChartCard"));
    layout->addWidget(m_chartCard);
    m_chart = new HistoryChart(this);
    layout->addWidget(m_chart);
    m_table = new QTableWidget(0, 8, this);
    m_table->setObjectName(QStringLiteral("historyTable"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);
    auto *buttons = new QHBoxLayout;
    m_deleteButton = new QPushButton(this);
    m_deleteButton->setObjectName(QStringLiteral("historyDeleteButton"));
    m_exportButton = new QPushButton(this);
    m_closeButton = new QPushButton(this);
    buttons->addWidget(m_deleteButton);
    buttons->addWidget(m_exportButton);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    layout->addLayout(buttons);
    m_deleteButton->setEnabled(m_db.isOpen() && !m_db.isReadOnly());
    connect(m_deleteButton, &QPushButton::clicked, this, &HistoryDialog::deleteSelected);
    connect(m_exportButton, &QPushButton::clicked, this, &HistoryDialog::exportCsv);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cardCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &HistoryDialog::showTests);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryDialog::showChart);
    resize(900, 600);
    retranslate();
    fillCards(cardKey);
}

void HistoryDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void HistoryDialog::retranslate()
{
    setWindowTitle(tr("DlgHistory"));
    m_cardLabel->setText(tr("LabelHistCard"));
    m_deleteButton->setText(tr("BtnHistDelete"));
    m_exportButton->setText(tr("BtnHistExport"));
    m_closeButton->setText(tr("BtnHistClose"));
    m_table->setHorizontalHeaderLabels({tr("ColHistDate"), tr("ColHistCard"), tr("ColHistTest"),
                                        tr("ColWriteAvg"), tr("ColWriteMin"), tr("ColReadAvg"),
                                        tr("ColReadMin"), tr("ColVerdict")});
    if (m_cardCombo->count() > 0) {
        m_cardCombo->setItemText(0, tr("LabelHistAllCards"));
        showTests();  // the mode words and the chart's card
    }
}

void HistoryDialog::fillCards(const QString &key)
{
    const QSignalBlocker blocker(m_cardCombo);
    m_cardCombo->clear();
    m_cards = m_db.cards();
    m_cardCombo->addItem(tr("LabelHistAllCards"));
    for (const HistoryCard &c : m_cards) {
        const QString name =
            QStringList{c.label, c.fileSystem, c.description}.join(QLatin1Char(' ')).simplified();
        m_cardCombo->addItem(tr("LabelHistCardItem")
                                 .arg(name, c.key.section(QLatin1Char(':'), 0, 0))
                                 .arg(double(c.totalBytes) / 1073741824.0, 0, 'f', 1)
                                 .arg(c.testCount));
        if (c.key == key)
            m_cardCombo->setCurrentIndex(m_cardCombo->count() - 1);
    }
    showTests();
}

void HistoryDialog::showTests()
{
    const int index = m_cardCombo->currentIndex();
    const qint64 cardId = index > 0 ? m_cards[index - 1].id : 0;
    m_tests = m_db.tests(cardId);
    QHash<qint64, QString> names;
    for (const HistoryCard &c : m_cards)
        names.insert(c.id, cardName(c));
    m_table->setRowCount(m_tests.size());
    for (int r = 0; r < m_tests.size(); ++r) {
        const HistoryTest &t = m_tests[r];
        const QStringList cells{
            QLocale().toString(t.startedAt.toLocalTime(), QLocale::ShortFormat),
            names.value(t.cardId),
            planText(t),
            figure(t.writeAvg),
            figure(t.writeMin),
            figure(t.readAvg),
            figure(t.readMin),
            historyVerdictText(t),
        };
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    showChart();
}

void HistoryDialog::showChart()
{
    // Tests of several cards on one line would mean nothing: with all cards listed, the chart
    // is of the card of the selected test, else of the newest test's.
    const QModelIndexList selected = m_table->selectionModel()->selectedRows();
    const int row = selected.isEmpty() ? 0 : selected.first().row();
    const bool all = m_cardCombo->currentIndex() <= 0;
    const qint64 cardId = row < m_tests.size() ? m_tests[row].cardId : 0;
    QVector<HistoryTest> tests;
    for (const HistoryTest &t : m_tests) {
        if (t.cardId == cardId)
            tests << t;
    }
    m_chart->setTests(tests);
    QString name;
    for (const HistoryCard &c : m_cards) {
        if (c.id == cardId)
            name = cardName(c);
    }
    m_chartCard->setText(tr("LabelHistChartCard").arg(name));
    m_chartCard->setVisible(all && !tests.isEmpty());
}

void HistoryDialog::deleteSelected()
{
    QList<qint64> ids;
    for (const QModelIndex &row : m_table->selectionModel()->selectedRows())
        ids << m_tests[row.row()].id;
    UserPrompt question;
    question.kind = UserPrompt::Question;
    question.title = tr("DlgHistory");
    question.text = tr("MsgHistDelete").arg(ids.size());
    if (ids.isEmpty() || !m_prompt || !m_prompt(this, question))
        return;
    for (qint64 id : ids)
        m_db.removeTest(id);
    const int index = m_cardCombo->currentIndex();
    fillCards(index > 0 ? m_cards[index - 1].key : QString());
}

void HistoryDialog::warnNotSaved(const QString &path)
{
    UserPrompt warning;
    warning.title = tr("MsgErrorTitle");
    warning.text = tr("MsgSaveFailed").arg(path);
    if (m_prompt)
        m_prompt(this, warning);
}

void HistoryDialog::exportCsv()
{
    const QString path = FilePicker::saveFileName(
        this, tr("DlgExportHistory"), QStringLiteral("LumoraCard_history.csv"), tr("FilterCsv"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        warnNotSaved(path);
        return;
    }
    QTextStream out(&file);
    out.setCodec("UTF-8");
    // Machine-readable: fixed English column names, ISO times, speeds in MB/s.
    out << "startedAt,card,label,mode,testSize,streams,blockSize,read,verify,rounds,outcome,"
           "writeAvg,writeMin,readAvg,readMin,verdict,version\n";
    QHash<qint64, QString> keys;
    for (const HistoryCard &c : m_cards)
        keys.insert(c.id, c.key);
    const auto num = [](double v) {
        return std::isnan(v) ? QString() : QString::number(v, 'f', 3);
    };
    for (const HistoryTest &t : m_tests) {
        const QStringList fields{t.startedAt.toUTC().toString(Qt::ISODate),
                                 keys.value(t.cardId),
                                 t.label,
                                 t.mode,
                                 QString::number(t.testSize),
                                 QString::number(t.streams),
                                 QString::number(t.blockSize),
                                 t.read ? "1" : "0",
                                 t.verify ? "1" : "0",
                                 QString::number(t.rounds),
                                 t.outcome,
                                 num(t.writeAvg),
                                 num(t.writeMin),
                                 num(t.readAvg),
                                 num(t.readMin),
                                 t.verdict,
                                 t.version};
        QStringList quoted;
        for (const QString &f : fields)
            quoted << csvField(f);
        out << quoted.join(QLatin1Char(',')) << '\n';
    }
    out.flush();
    if (!file.commit())
        warnNotSaved(path);
}

HistoryActions::HistoryActions(QMainWindow *window, QMenu *menu, PromptHandler prompt)
    : QObject(window)
    , m_window(window)
    , m_prompt(std::move(prompt))
    , m_recorder(new HistoryRecorder(this))
{
    menu->addSeparator();
    m_openAction = menu->addAction(QString());
    m_openAction->setObjectName(QStringLiteral("historyAction"));
    m_recordAction = menu->addAction(QString());
    m_recordAction->setObjectName(QStringLiteral("historyRecordAction"));
    m_recordAction->setCheckable(true);
    m_recordAction->setChecked(QSettings().value(QLatin1String(kEnabledKey), true).toBool());
    connect(m_recordAction, &QAction::toggled, this,
            [](bool on) { QSettings().setValue(QLatin1String(kEnabledKey), on); });
    connect(m_openAction, &QAction::triggered, this, [this] {
        HistoryDialog dialog(HistoryDb::defaultPath(), m_cardKey, m_prompt, m_window);
        dialog.exec();
    });
    connect(m_recorder, &HistoryRecorder::recorded, this,
            [this](const QJsonObject &report, const HistoryResult &result) {
                m_previous = report.value(QLatin1String("previous"));
                for (const QString &line : result.log + result.changes + result.warnings)
                    emit log(line);
            });
    window->installEventFilter(this);
    retranslate();
}

QJsonValue HistoryActions::previous()
{
    m_recorder->finish();
    return m_previous;
}

bool HistoryActions::recording() const
{
    return m_recordAction->isChecked();
}

void HistoryActions::record(const QJsonObject &report, const CardInfo &card,
                            const VerdictRules &rules)
{
    m_previous = QJsonValue();
    if (!recording())
        return;
    m_recorder->record(report, card, rules);
    m_cardKey = cardKey(card);
}

bool HistoryActions::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::LanguageChange)
        retranslate();
    return QObject::eventFilter(watched, event);
}

void HistoryActions::retranslate()
{
    m_openAction->setText(tr("MenuHistory"));
    m_recordAction->setText(tr("MenuHistoryEnabled"));
}
