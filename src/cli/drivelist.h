#pragma once

#include "cardinfo.h"

#include <QJsonObject>
#include <QVector>

// What --list prints: the removable drives a test may use, one line each, or a JSON object.
QVector<CardInfo> listedCards(const platform::DriveService &drives);
QStringList driveListLines(const QVector<CardInfo> &cards);
QJsonObject driveListJson(const QVector<CardInfo> &cards);
