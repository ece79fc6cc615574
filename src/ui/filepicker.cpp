#include "filepicker.h"

#include <QFileDialog>

namespace {

FilePicker::Picker &replacement()
{
    static FilePicker::Picker picker;
    return picker;
}

FilePicker::SaveNamer &namerReplacement()
{
    static FilePicker::SaveNamer namer;
    return namer;
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

QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                     const QString &filter)
{
    if (namerReplacement())
        return namerReplacement()(parent, caption, suggested, filter);
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

void setSaveNamer(SaveNamer namer)
{
    namerReplacement() = std::move(namer);
}

}  // namespace FilePicker
