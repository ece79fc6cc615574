#pragma once

#include "formatservice.h"

#include <QDialog>
#include <QString>

// Asks once more before a card is erased, naming the device, its size and the file system
// it will get. Closing the dialog counts as cancelling.
class FormatConfirmDialog : public QDialog
{
    Q_OBJECT
public:
    FormatConfirmDialog(const QString &title, const QString &text, QWidget *parent = nullptr);

    // The lines that describe a planned format: device, size, file system, label.
    static QString describe(const platform::FormatPlan &plan);
};
