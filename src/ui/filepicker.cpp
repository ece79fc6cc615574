#include "filepicker.h"

#include <QFileDialog>

namespace {

FilePicker::Picker &replacement()
{
    static FilePicker::Picker picker;
    return picker;
}

}  // namespace

namespace FilePicker {

QStringList pickFiles(QWidget *parent, const QString &caption, const QString &filter)
{
    if (replacement())
        return replacement()(parent, caption, filter);
    return QFileDialog::getOpenFileNames(parent, caption, QString(), filter);
}

void setPicker(Picker picker)
{
    replacement() = std::move(picker);
}

}  // namespace FilePicker
