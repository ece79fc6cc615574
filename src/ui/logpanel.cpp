#include "logpanel.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {
// Lines the user must not miss, by their keys: whatever fills a %N, the line is one of them.
const char *const kAttentionKeys[] = {
    "MsgFormatFailed",   "MsgFormatCancelled", "MsgFormatUnsupported", "MsgFormatNoAccess",
    "MsgFormatLost",     "LogUserCancelled",   "LogErrorPrefix",       "LogVerifyOk",
    "LogVerifyMismatch", "LogVerifyCapacity",  "LogHistoryDropWarn",   "LogHistoryNotRecorded",
};

QLabel *statusLabel(QStatusBar *bar, const char *name, int stretch)
{
    auto *label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    // A long line must not widen the window.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(label, stretch);
    return label;
}
}  // namespace

LogPanel::LogPanel(QMainWindow *window)
    : QDockWidget(window)
{
    setObjectName(QStringLiteral("logPanel"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                | QDockWidget::DockWidgetFloatable);
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    auto *buttons = new QHBoxLayout;
    m_copyButton = new QPushButton(body);
    m_copyButton->setObjectName(QStringLiteral("copyLogButton"));
    m_saveButton = new QPushButton(body);
    m_saveButton->setObjectName(QStringLiteral("saveLogButton"));
    buttons->addWidget(m_copyButton);
    buttons->addWidget(m_saveButton);
    buttons->addStretch(1);
    m_view = new QPlainTextEdit(body);
    m_view->setObjectName(QStringLiteral("logView"));
    m_view->setReadOnly(true);
    m_view->setMaximumBlockCount(20000);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addLayout(buttons);
    layout->addWidget(m_view);
    setWidget(body);
    window->addDockWidget(Qt::BottomDockWidgetArea, this);
    hide();

    QMenu *menu = window->menuBar()->addMenu(QString());
    menu->setObjectName(QStringLiteral("viewMenu"));
    m_viewMenu = menu->menuAction();
    m_showAction = menu->addAction(QString());
    m_showAction->setObjectName(QStringLiteral("showLogAction"));
    m_showAction->setCheckable(true);
    connect(m_showAction, &QAction::toggled, this, &QDockWidget::setVisible);
    // Closing the panel by its own button unticks the menu.
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible && isHidden())
            m_showAction->setChecked(false);
    });

    m_keptLabel = statusLabel(window->statusBar(), "logKeptLabel", 1);
    m_keptLabel->setStyleSheet(QStringLiteral("QLabel { color: #d32f2f; font-weight: bold; }"));
    m_keptLabel->hide();
    m_latestLabel = statusLabel(window->statusBar(), "logLatestLabel", 1);

    connect(m_copyButton, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(text()); });
    connect(m_saveButton, &QPushButton::clicked, this, &LogPanel::saveRequested);
    retranslate();
}

void LogPanel::append(const QString &stamp, const QString &message)
{
    const QString line = QStringLiteral("[%1] %2").arg(stamp, message);
    m_view->appendPlainText(line);
    // The status bar has one line.
    QString flat = message;
    flat.replace(QLatin1Char('\n'), QStringLiteral(" · "));
    m_latestLabel->setText(flat);
    m_latestLabel->setToolTip(line);
    if (needsAttention(message)) {
        m_kept.append(line);
        m_keptLabel->setText(flat);
        m_keptLabel->setToolTip(m_kept.join(QLatin1Char('\n')));
        m_keptLabel->show();
    }
}

void LogPanel::newTest()
{
    m_kept.clear();
    m_keptLabel->clear();
    m_keptLabel->setToolTip(QString());
    m_keptLabel->hide();
}

QString LogPanel::text() const
{
    return m_view->toPlainText();
}

bool LogPanel::saveTo(const QString &path) const
{
    QSaveFile file(path);
    const QByteArray bytes = (text() + QLatin1Char('\n')).toUtf8();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

void LogPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDockWidget::changeEvent(event);
}

void LogPanel::retranslate()
{
    setWindowTitle(tr("GroupLog"));
    m_copyButton->setText(tr("BtnCopyLog"));
    m_saveButton->setText(tr("BtnSaveLog"));
    m_viewMenu->setText(tr("MenuView"));
    m_showAction->setText(tr("MenuShowLog"));
}

bool LogPanel::needsAttention(const QString &message) const
{
    for (const char *key : kAttentionKeys) {
        QString pattern = QRegularExpression::escape(tr(key));
        pattern.replace(QRegularExpression(QStringLiteral("\\\\%\\d")), QStringLiteral(".*"));
        const QRegularExpression re(QStringLiteral("\\A%1\\z").arg(pattern),
                                    QRegularExpression::DotMatchesEverythingOption);
        if (re.match(message).hasMatch())
            return true;
    }
    return false;
}
