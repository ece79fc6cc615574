#include "datajudge.h"

RowResult judgeData(RowResult row, const DataCheck &check, int stream)
{
    if (!check.failed() || (stream >= 0 && !check.badStreams.contains(stream)))
        return row;
    row.verdicts.data = Verdict::Fail;
    row.dataError = dataErrorText(check);
    return row;
}

void judgeData(QVector<RowResult> *rows, const DataCheck &check)
{
    for (int i = 0; i < rows->size(); ++i)
        (*rows)[i] = judgeData(rows->at(i), check, i - 1);
}
