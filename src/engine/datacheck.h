#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVector>

// What reading the test files back found, 4 KiB sector by sector. Filled by each worker for
// its file and merged in file order, so "first" means the lowest file and offset.
struct DataCheck {
    // What a wrong sector says happened to it.
    enum class Kind {
        None,
        WrapRound,  // it holds another place's data of this run: the card wrapped round
        Stale,      // a deleted file's or an earlier run's data: the write never landed
        Corrupt,    // a stamp that does not check, or other bytes than were written
        Lost,       // all zeros or all ones: nothing stored
    };

    bool ran = false;         // the data was compared
    qint64 checkedBytes = 0;  // bytes the read-back expected
    qint64 goodBytes = 0;     // came back as written: the capacity that held its data
    qint64 wrongBytes = 0;    // every byte of a wrong sector, the differing ones of a corrupt one
    qint64 wrongSectors = 0;
    qint64 wrapSectors = 0;
    qint64 staleSectors = 0;
    qint64 corruptSectors = 0;
    qint64 lostSectors = 0;
    // Blocks with a wrong sector, each under the kind most of its wrong sectors have (a stale
    // block counts as lost: its data was never stored).
    qint64 wrongBlocks = 0;
    qint64 wrapBlocks = 0;
    qint64 corruptBlocks = 0;
    qint64 lostBlocks = 0;
    QString firstFile;  // file name of the first wrong sector
    qint64 firstOffset = -1;
    Kind firstKind = Kind::None;
    QVector<int> badStreams;  // streams whose file came back wrong, ascending

    bool failed() const { return wrongSectors > 0; }
    void addGood(qint64 bytes);
    // One wrong sector of `bytes` bytes, `wrong` of them not as written.
    void addWrong(Kind kind, qint64 bytes, qint64 wrong, const QString &file, int stream,
                  qint64 offset);
    void countWrongBlock(Kind kind);
    // Adds a later file's (or round's) findings: sums, and its first place if this has none.
    void merge(const DataCheck &later);
};

// The findings in the string table's words: the log lines of a check that ran, and the
// sentence the verdict's tooltip and the console add for a row that failed it.
QString dataKindText(DataCheck::Kind kind);
QStringList dataCheckLogLines(const DataCheck &check);
QString dataErrorText(const DataCheck &check);

Q_DECLARE_METATYPE(DataCheck)
