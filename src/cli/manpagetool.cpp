// Writes lumoracard-cli's manual page in one language; the build runs it once per language.
//   lumora_manpage LANG DATE OUTPUT
#include "appidentity.h"
#include "i18n.h"
#include "manpage.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    setApplicationIdentity();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fputs("usage: lumora_manpage zh_CN|en|zh_TW DATE OUTPUT\n", stderr);
        return 2;
    }
    I18n::instance()->applyLanguage(I18n::languageFromCode(args[1]));
    QSaveFile out(args[3]);
    const QByteArray page = ManPage::text(args[2]).toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(page) != page.size() || !out.commit()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args[3]), qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
