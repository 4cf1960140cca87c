#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// Every text the program stores is Windows-1251, one byte per character.
// A character the code page cannot hold is stored as "?" (never as the
// encoder's 0x1A substitute), and every length or cut counts stored bytes.

QByteArray encode1251(QStringView text);
QString decode1251(QByteArrayView bytes);
// The character of every byte, for loops that decode many short texts.
const std::array<char16_t, 256> &table1251();

// Number of bytes `text` takes once encoded.
qsizetype length1251(QStringView text);

// The longest leading part of `text` that encodes into at most `maxBytes`.
QString cut1251(const QString &text, qsizetype maxBytes);

// `text` encoded, cut to `width` bytes and padded with `pad` up to `width`.
QByteArray fixedField1251(QStringView text, qsizetype width, char pad = ' ');
