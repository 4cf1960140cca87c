#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// The number of a proximity card as readers print it: 8 to 10 decimal
// digits (the card's whole 32-bit code), or "nnn,nnnnn" (the facility code
// 0..255 and the card's own number 0..65535). Both forms of one card are
// one number: the facility code times 65536 plus the card's number, written
// as ten digits.
namespace ProximityCard {

// The card in a reader's line (CR and LF already cut off, blanks around it
// allowed); none for anything else.
std::optional<QString> fromLine(QByteArrayView line);
// The card a register field names, as fromLine; an empty or odd field none.
std::optional<QString> normalized(const QString &text);

} // namespace ProximityCard
