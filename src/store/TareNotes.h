#pragma once

#include "core/StoreResult.h"

#include <QDate>
#include <QString>

// Where the tare of a card came from when no second weighing gave it:
// "TareNotes.txt" in the base folder, one line per card, "ID<tab>note",
// Windows-1251, CR LF, appended as cards are stored. The day file keeps
// its layout; the act, the cheque and the log read the note from here.
class TareNotes
{
public:
    explicit TareNotes(const QString &baseFolder);

    static QString fromRegister(const QDate &tareDate); // "тара из справочника от 01.12.2026"
    static QString typed();                             // "тара введена с клавиатуры"

    StoreResult add(qint32 cardId, const QString &note);
    // The note of card `cardId`, empty when it has none (the last one wins).
    QString noteFor(qint32 cardId) const;

private:
    QString m_path;
};
