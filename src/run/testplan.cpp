#include "testplan.h"

#include "filenaming.h"

#include <QFileInfo>

qint64 perStreamBytes(const TestPlan &plan)
{
    return wholeBlocks(plan.testSize, plan.blockSize);
}

qint64 usableFileBytes(const TestPlan &plan, const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return 0;
    return wholeBlocks(info.size(), plan.blockSize);
}

QVector<StreamSource> streamSourcesOf(const TestPlan &plan)
{
    QVector<StreamSource> sources;
    if (plan.fill) {
        sources.append(StreamSource{StreamSource::RollingWrite, 0, QString()});
    } else if (plan.mode == TestPlan::Mode::Random) {
        for (int i = 1; i <= plan.streams; ++i)
            sources.append(StreamSource{StreamSource::RandomStream, i, QString()});
    } else {
        for (const QString &path : plan.files) {
            if (usableFileBytes(plan, path) > 0)
                sources.append(
                    StreamSource{StreamSource::ExternalFile, 0, QFileInfo(path).fileName()});
        }
    }
    return sources;
}

QStringList streamLabelsOf(const QVector<StreamSource> &sources)
{
    QStringList labels;
    for (const StreamSource &source : sources)
        labels.append(streamLabel(source));
    return labels;
}
