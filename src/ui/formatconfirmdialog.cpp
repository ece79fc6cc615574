#include "formatconfirmdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

FormatConfirmDialog::FormatConfirmDialog(const QString &title, const QString &text, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("formatConfirmDialog"));
    setWindowTitle(title);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("formatConfirmText"));
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("BtnFormatConfirm"));
    // Erasing must be a deliberate click, never the Enter key.
    buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Cancel)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString FormatConfirmDialog::describe(const platform::FormatPlan &plan)
{
    // The values are data, not texts: they follow their labels instead of filling a
    // translated pattern, so they show even before the string table knows the labels.
    const double gigabytes = static_cast<double>(plan.sizeBytes) / 1073741824.0;
    QStringList lines;
    lines << tr("LabelFormatDevice") + QLatin1Char(' ') + QString::fromStdString(plan.devicePath)
          << tr("LabelFormatSize") + QLatin1Char(' ')
                 + QStringLiteral("%1 GB").arg(gigabytes, 0, 'f', 1)
          << tr("LabelFormatFileSystem") + QLatin1Char(' ')
                 + QString::fromStdString(plan.fileSystem)
          << tr("LabelFormatVolume") + QLatin1Char(' ') + QString::fromStdString(plan.label);
    return lines.join(QLatin1Char('\n'));
}
