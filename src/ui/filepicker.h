#pragma once

#include <QStringList>

#include <functional>

class QWidget;

// The multi-file picker behind the external file list. Tests put a function of their own in
// place of the system dialog, so that picking needs no person.
namespace FilePicker {

using Picker =
    std::function<QStringList(QWidget *parent, const QString &caption, const QString &filter)>;

// QFileDialog::getOpenFileNames with no start directory and no options, unless replaced.
QStringList pickFiles(QWidget *parent, const QString &caption, const QString &filter);

// Replaces the dialog; an empty function brings it back.
void setPicker(Picker picker);

using SaveNamer = std::function<QString(QWidget *parent, const QString &caption,
                                        const QString &suggested, const QString &filter)>;
// QFileDialog::getSaveFileName offering the file name `suggested` in the folder last saved
// into (remembered in the settings), else in Documents, unless replaced; empty when cancelled.
QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                     const QString &filter);
void setSaveNamer(SaveNamer namer);

}  // namespace FilePicker
