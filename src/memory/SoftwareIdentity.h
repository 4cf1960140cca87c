#pragma once

#include <QString>
#include <QStringList>

// The software identification of WELMEC 7.2: the version and, for each
// file of the program that runs, the first 16 hex digits of its SHA-256
// ("3.00; tarvo 1A2B3C4D5E6F7081; libtarvo-office.so 0F1E2D3C4B5A6978").
// A file that cannot be read is named with "не прочитан".
QString softwareIdentity(const QString &version, const QStringList &files);
