#include "filepicker.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kLastSaveFolder = QStringLiteral("ui/lastSaveFolder");

// Where a save dialog opens: the folder the user last saved into, else the Documents folder
// (not the program's working folder, which on Windows is often its install folder).
QString saveFolder()
{
    const QString last = QSettings().value(kLastSaveFolder).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

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
    const QString start = QDir(saveFolder()).filePath(suggested);
    const QString path = namerReplacement()
                             ? namerReplacement()(parent, caption, start, filter)
                             : QFileDialog::getSaveFileName(parent, caption, start, filter);
    if (!path.isEmpty())
        QSettings().setValue(kLastSaveFolder, QFileInfo(path).absolutePath());
    return path;
}

void setSaveNamer(SaveNamer namer)
{
    namerReplacement() = std::move(namer);
}

}  // namespace FilePicker
