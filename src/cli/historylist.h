#pragma once

#include "historydb.h"

#include <QJsonObject>
#include <QStringList>

// What --history prints: the cards of the history with their tests, newest first.
struct HistoryListing {
    QVector<HistoryCard> cards;
    QVector<QVector<HistoryTest>> tests;  // one list per card
};

// Every card when `all`, else only the card with `key` (none when it was never recorded).
HistoryListing historyListing(HistoryDb &db, bool all, const QString &key);
QStringList historyLines(const HistoryListing &listing);
QJsonObject historyJson(const HistoryListing &listing, const QString &databasePath);
