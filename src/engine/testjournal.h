#pragma once

#include <QFile>
#include <QStringList>
#include <QtGlobal>

class CardNames;

// A list of the files a test is about to create, kept in the card's root beside them
// ("__card_speed_test.journal", or "__card_speed_test (k).journal" when an earlier one is
// still there) and removed once they are deleted. A process that is killed, or a card that
// is pulled, leaves it behind; the next start finds the files through it (findLeftovers).
//
// One line per file, written and pushed to the disk before the file is created:
//   T <bytes> <name>   a file of random data (__card_speed_test_N.dat, __roll_N.dat)
//   C <bytes> <name>   the copy of an external file
// after a header with the id and the host of the process that wrote it.
class TestJournal
{
public:
    TestJournal() = default;
    TestJournal(const TestJournal &) = delete;
    TestJournal &operator=(const TestJournal &) = delete;
    ~TestJournal();

    // Opens a new journal in `root` under a name `names` still has free. Without it (a
    // read-only or full card) the test still runs, and then fails on its own files.
    bool begin(const QString &root, CardNames &names);
    // Before `path` (in the root) is created: `bytes` is the most it will hold.
    void note(const QString &path, qint64 bytes, bool copy = false);
    // After the test deleted its files: the journal goes too, unless one of them is still
    // there to be found later.
    void finish();

private:
    QFile m_file;
    QStringList m_noted;
};

// What interrupted tests left on a card: the files their journals name that are still
// there, of the test's own kinds, and the journals.
struct Leftovers {
    QStringList journals;
    QStringList files;
    qint64 bytes = 0;

    int count() const { return int(files.size()); }
    bool isEmpty() const { return journals.isEmpty(); }
};

// Only plain files named by a journal are taken, and only names the test gives its files:
// a file of a similar name that no journal names is never touched, nor a symbolic link, nor
// anything outside `root`, nor a file larger than the test would have made it. A journal
// whose test is still running on this machine is passed over.
Leftovers findLeftovers(const QString &root);

// Deletes the files, then the journals if every file is gone. `failed` receives the files
// that could not be deleted. Returns the bytes freed.
qint64 removeLeftovers(const Leftovers &leftovers, QStringList *failed = nullptr);
