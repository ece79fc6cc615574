#include "datacheck.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
QString tr(const char *key)
{
    return QCoreApplication::translate("DataCheck", key);
}

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / 1048576);
}

void addStream(QVector<int> &streams, int stream)
{
    const auto at = std::lower_bound(streams.begin(), streams.end(), stream);
    if (at == streams.end() || *at != stream)
        streams.insert(at, stream);
}
}  // namespace

void DataCheck::addGood(qint64 bytes)
{
    ran = true;
    checkedBytes += bytes;
    goodBytes += bytes;
}

void DataCheck::addWrong(Kind kind, qint64 bytes, qint64 wrong, const QString &file, int stream,
                         qint64 offset)
{
    ran = true;
    checkedBytes += bytes;
    wrongBytes += wrong;
    ++wrongSectors;
    switch (kind) {
    case Kind::WrapRound:
        ++wrapSectors;
        break;
    case Kind::Stale:
        ++staleSectors;
        break;
    case Kind::Corrupt:
        ++corruptSectors;
        break;
    case Kind::Lost:
    case Kind::None:
        ++lostSectors;
        break;
    }
    addStream(badStreams, stream);
    if (firstKind == Kind::None) {
        firstKind = kind;
        firstFile = file;
        firstOffset = offset;
    }
}

void DataCheck::countWrongBlock(Kind kind)
{
    ++wrongBlocks;
    if (kind == Kind::WrapRound)
        ++wrapBlocks;
    else if (kind == Kind::Corrupt)
        ++corruptBlocks;
    else
        ++lostBlocks;
}

void DataCheck::merge(const DataCheck &later)
{
    ran = ran || later.ran;
    checkedBytes += later.checkedBytes;
    goodBytes += later.goodBytes;
    wrongBytes += later.wrongBytes;
    wrongSectors += later.wrongSectors;
    wrapSectors += later.wrapSectors;
    staleSectors += later.staleSectors;
    corruptSectors += later.corruptSectors;
    lostSectors += later.lostSectors;
    wrongBlocks += later.wrongBlocks;
    wrapBlocks += later.wrapBlocks;
    corruptBlocks += later.corruptBlocks;
    lostBlocks += later.lostBlocks;
    for (int stream : later.badStreams)
        addStream(badStreams, stream);
    if (firstKind == Kind::None && later.firstKind != Kind::None) {
        firstKind = later.firstKind;
        firstFile = later.firstFile;
        firstOffset = later.firstOffset;
    }
}

QString dataKindText(DataCheck::Kind kind)
{
    switch (kind) {
    case DataCheck::Kind::WrapRound:
        return tr("LabelDataWrapRound");
    case DataCheck::Kind::Stale:
        return tr("LabelDataStale");
    case DataCheck::Kind::Corrupt:
        return tr("LabelDataCorrupt");
    case DataCheck::Kind::Lost:
        return tr("LabelDataLost");
    case DataCheck::Kind::None:
        break;
    }
    return QString();
}

namespace {
// Both texts name the findings in one order: sectors, blocks, bytes, the four kinds, the
// first place.
QString findingsText(const char *key, const DataCheck &check)
{
    return tr(key)
        .arg(check.wrongSectors)
        .arg(check.wrongBlocks)
        .arg(check.wrongBytes)
        .arg(check.wrapSectors)
        .arg(check.staleSectors)
        .arg(check.corruptSectors)
        .arg(check.lostSectors)
        .arg(check.firstFile)
        .arg(check.firstOffset)
        .arg(dataKindText(check.firstKind));
}
}  // namespace

QStringList dataCheckLogLines(const DataCheck &check)
{
    if (!check.ran)
        return {};
    QStringList lines;
    lines << (check.failed() ? findingsText("LogVerifyMismatch", check)
                             : tr("LogVerifyOk").arg(megabytes(check.checkedBytes)));
    lines << tr("LogVerifyCapacity").arg(megabytes(check.goodBytes), megabytes(check.checkedBytes));
    return lines;
}

QString dataErrorText(const DataCheck &check)
{
    return check.failed() ? findingsText("TipDataError", check) : QString();
}
