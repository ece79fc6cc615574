#include "streamlabels.h"

#include "filenaming.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
QString tr(const char *key)
{
    return QCoreApplication::translate("StreamLabels", key);
}
}  // namespace

QStringList streamLabels(const CliOptions &options)
{
    QStringList labels;
    if (options.fill) {
        labels << tr("LabelRollingWrite");
    } else if (!options.sourceFiles.isEmpty()) {
        for (const QString &path : options.sourceFiles) {
            const QFileInfo info(path);
            if (wholeBlocks(info.size(), options.blockSize) > 0)
                labels << info.fileName();
        }
    } else {
        for (int i = 1; i <= options.streamCount; ++i)
            labels << tr("LabelRandomStream").arg(i);
    }
    return labels;
}

QString streamRowLabel(int index, const QString &name)
{
    return QStringLiteral("#%1  %2").arg(index + 1).arg(name);
}
