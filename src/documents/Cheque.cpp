#include "Cheque.h"
#include "WeighingAct.h"

#include "core/Formats.h"
#include "core/Numbers.h"
#include "platform/PrintSurface.h"
#include "card/CargoCard.h"

using namespace Qt::StringLiterals;

QString ChequeResult(const ChequeValues &v)
{
    if (!v.currentCard)
        return v.storedCost.trimmed();
    const double net = ReadLeadingNumber(v.texts[Net]);
    const double price = ReadLeadingNumber(v.price.trimmed());
    return DotNumberText(price * net);
}

bool PrintCheque(PrintSurface &surface, const ChequeValues &v)
{
    const QString stars(32, u'*');
    const QString rule(32, u'=');
    const QString result = ChequeResult(v);
    const QString date = ShortDateText(v.now.date());
    const QString time = LongTimeText(v.now.time());

    surface.setDocumentName(u"Чек "_s + v.texts[CardNumber]);
    bool ok = surface.print();
    ok = surface.print() && ok;
    surface.setFontName(u"Courier New"_s);
    surface.setFontSize(8);
    // An act printed before leaves its italic behind; a till receipt is upright.
    surface.setFontItalic(false);
    surface.setFontBold(false);
    ok = surface.print({stars}) && ok;
    surface.setFontSize(12);
    ok = surface.print({v.texts[Sender]}) && ok;
    surface.setFontSize(8);
    ok = surface.print({rule}) && ok;
    if (v.currentCard)
        ok = surface.print({u"Чек №"_s, v.texts[CardId], QString(u" от "_s + date), QString(u" "_s + time)}) && ok;
    else
        ok = surface.print({u"Чек №"_s, v.texts[CardId]}) && ok;
    ok = surface.print({u"Весы №"_s, v.scaleSerial}) && ok;
    ok = surface.print({u"Оператор:"_s, v.operatorName}) && ok;
    ok = surface.print({rule}) && ok;
    ok = surface.print({v.texts[CargoName]}) && ok;
    ok = surface.print({QString(v.texts[Net] + v.weightUnit + u'*' + v.price.trimmed() + u'=' + result)}) && ok;
    if (!v.tareNote.isEmpty())
        ok = surface.print({v.tareNote}) && ok;
    for (const qint64 number : {v.memory.first, v.memory.second})
        if (number > 0)
            ok = surface.print({memoryNumberText(number)}) && ok;
    if (!v.memory.fingerprint.isEmpty())
        ok = surface.print({QString(u"Ключ: "_s + v.memory.fingerprint)}) && ok;
    ok = surface.print({rule}) && ok;
    ok = surface.print() && ok;
    surface.setFontSize(12);
    ok = surface.print({u"ИТОГО:"_s, result}) && ok;
    surface.setFontSize(8);
    ok = surface.print({rule}) && ok;
    ok = surface.print() && ok;
    ok = surface.print({u"Док."_s, v.texts[DocumentNumber]}) && ok;
    // One blank between date and time, as everywhere else the program writes both.
    ok = surface.print({date, QString(u" "_s + time)}) && ok;
    ok = surface.print({QString(u"ИНН:"_s + v.taxNumber)}) && ok;
    ok = surface.print({stars}) && ok;
    ok = surface.print() && ok;
    ok = surface.print() && ok;
    if (!ok) {
        surface.endDocument();
        return false;
    }
    return surface.endDocument();
}
