// Every text the program looks up by a literal key is in the string table, so no language
// shows a bare key or falls back to English: the sources are read for tr("…"),
// translate("context", "…") and the helpers that wrap them.
#include "i18n.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

namespace {
// tr("key"), translated("key"), translate("context", "key"): the key is the first group.
const char *const kLookup = "(?:\\btr|\\btranslated|translate\\(\\s*\"[^\"]*\"\\s*,)\\s*\\(?\\s*"
                            "\"((?:[^\"\\\\]|\\\\.)*)\"\\s*\\)";
}  // namespace

class TestTrKeys : public QObject
{
    Q_OBJECT
private slots:
    void everyLiteralKeyIsInTheTable()
    {
        const QRegularExpression lookup(QString::fromLatin1(kLookup));
        const QHash<QString, QString> &table = I18n::instance()->table(English);
        QStringList missing;
        int found = 0;
        QDirIterator files(QStringLiteral(LUMORA_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            for (auto it = lookup.globalMatch(text); it.hasNext();) {
                const QString key = it.next().captured(1);
                ++found;
                if (!table.contains(key))
                    missing << QFileInfo(file).fileName() + QStringLiteral(": ") + key;
            }
        }
        // The scan itself must see the program's texts.
        QVERIFY2(found > 200, qPrintable(QString::number(found)));
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestTrKeys)
#include "tst_trkeys.moc"
