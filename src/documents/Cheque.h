#pragma once

#include "MemoryMarks.h"

#include <QDateTime>
#include <QString>

#include <array>

class PrintSurface;

// What a cheque prints besides the frame's texts.
struct ChequeValues
{
    std::array<QString, 25> texts; // ОП(0)..ОП(24) as the frame shows them
    bool currentCard = true;       // computes the total; else repeats the stored cost
    QString price;                 // ДП(0,2)
    QString storedCost;            // ДП(0,1)
    QString taxNumber;             // ДК(2,14) of the sender
    QString scaleSerial;
    QString operatorName;
    QString weightUnit;
    QDateTime now;
    // Where the tare came from when no weighing gave it; empty: nothing.
    QString tareNote;
    MemoryMarks memory;
};

// The total of line 11 and "ИТОГО:": price × net from the leading numbers
// of their texts, with a leading blank when not negative; the archived
// card's stored cost as it is.
QString ChequeResult(const ChequeValues &values);

// The 32-column till receipt of one card. False when the document could
// not be started or sent.
bool PrintCheque(PrintSurface &surface, const ChequeValues &values);
