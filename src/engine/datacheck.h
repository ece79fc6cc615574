#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVector>

// What reading the test files back found, block by block. Filled by each worker for its
// file and merged in file order, so "first" means the lowest file and offset.
struct DataCheck {
    // What a wrong block says happened to it.
    enum class Kind {
        None,
        WrapRound,  // it holds another place's data: the card wrapped round onto it
        Corrupt,    // other bytes than were written
        Lost,       // an erased block or an older run's data: never stored
    };

    bool ran = false;         // the blocks were compared
    qint64 checkedBytes = 0;  // bytes the read-back expected
    qint64 goodBytes = 0;     // came back as written: the capacity that held its data
    qint64 wrongBytes = 0;    // every byte of a wrapped or lost block, the differing ones
                              // of a corrupt block
    qint64 wrongBlocks = 0;
    qint64 wrapBlocks = 0;
    qint64 corruptBlocks = 0;
    qint64 lostBlocks = 0;
    QString firstFile;  // file name of the first wrong block
    qint64 firstOffset = -1;
    Kind firstKind = Kind::None;
    QVector<int> badStreams;  // streams whose file came back wrong, ascending

    bool failed() const { return wrongBlocks > 0; }
    void addGood(qint64 bytes);
    void addWrong(Kind kind, qint64 blockBytes, qint64 wrong, const QString &file, int stream,
                  qint64 offset);
    // Adds a later file's (or round's) findings: sums, and its first place if this has none.
    void merge(const DataCheck &later);
};

// The findings in the string table's words: the log lines of a check that ran, and the
// sentence the verdict's tooltip and the console add for a row that failed it.
QString dataKindText(DataCheck::Kind kind);
QStringList dataCheckLogLines(const DataCheck &check);
QString dataErrorText(const DataCheck &check);

Q_DECLARE_METATYPE(DataCheck)
