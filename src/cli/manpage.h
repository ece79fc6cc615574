#pragma once

#include <QCoreApplication>
#include <QString>

// The manual page of lumoracard-cli in the current language, as roff: its options are the
// ones --help lists, with the same texts.
class ManPage
{
    Q_DECLARE_TR_FUNCTIONS(ManPage)
public:
    // `date` goes into the page's header as it is.
    static QString text(const QString &date);
};
