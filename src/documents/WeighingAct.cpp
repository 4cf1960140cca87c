#include "WeighingAct.h"

#include "core/Settings.h"
#include "platform/PrintSurface.h"
#include "card/CargoCard.h"

#include <cmath>

using namespace Qt::StringLiterals;
using Item = PrintSurface::Item;

QSizeF ActLayout::photoSize(const QImage &image, double maxWidth)
{
    if (image.isNull() || image.height() <= 0 || image.width() <= 0)
        return {};
    const double width = std::floor(PhotoHeight * image.width() / image.height());
    if (width <= maxWidth || maxWidth <= 0)
        return {width, PhotoHeight};
    return {std::floor(maxWidth), std::floor(maxWidth * image.height() / image.width())};
}

QString memoryNumberText(qint64 number)
{
    return u"№ в весовой памяти: "_s + QString::number(number);
}

QStringList ActWeighingLines(const std::array<QString, 25> &texts, const QString &unit, const QString &tareNote,
                             const MemoryMarks &memory)
{
    const QString three = u"   "_s;
    const auto weight = [&](const QString &what, int n) -> QString {
        return what + u' ' + texts[size_t(n)] + u' ' + unit;
    };
    const QString type = texts[OperationType].trimmed();
    const bool loading = type == OperationTypes::loading();
    const QString notDone = three + u"не выполнено"_s;
    const QString first = u"Взвешивание 1:"_s
        + (texts[Date1].trimmed().isEmpty()
               ? notDone
               : three + texts[Date1] + three + texts[Time1] + three
                   + (loading ? weight(u"тара"_s, Tare) : weight(u"брутто"_s, Gross)));
    QString second;
    if (type == OperationTypes::single()) {
        // One pass: the tare was known, not weighed.
        second = u"Тара без взвешивания:"_s + three + texts[Tare] + u' ' + unit;
    } else if (texts[Date2].trimmed().isEmpty()) {
        second = u"Взвешивание 2:"_s + notDone;
    } else {
        second = u"Взвешивание 2:"_s + three + texts[Date2] + three + texts[Time2] + three
            + (loading ? weight(u"брутто"_s, Gross) : weight(u"тара"_s, Tare));
    }
    QStringList lines{first};
    if (memory.first > 0)
        lines << three + memoryNumberText(memory.first);
    lines << second;
    if (memory.second > 0)
        lines << three + memoryNumberText(memory.second);
    if (!tareNote.isEmpty())
        lines << u'(' + tareNote + u')';
    return lines;
}

bool PrintWeighingAct(PrintSurface &surface, const Settings &settings, const std::array<QString, 25> &texts,
                      bool withPhotos, const std::function<ActPhoto(int)> &photo, const QString &tareNote,
                      const MemoryMarks &memory)
{
    const auto name = [&](int n) -> QString { return MainParamName(settings, n); };
    const auto line = [&](int n, const QString &separator) -> QString {
        return name(n) + separator + texts[size_t(n)];
    };
    const QString three = u"   "_s;

    surface.setDocumentName(u"Акт взвешивания "_s + texts[CardNumber]);
    bool ok = surface.print();
    ok = surface.print() && ok;
    surface.setFontName(u"MS Sans Serif"_s);
    surface.setFontSize(14);
    surface.setFontItalic(true);
    // A line too long for the paper goes on below at its own column,
    // broken between words.
    const auto at = [&](int column, const QString &text) {
        const double x = (column - 1) * surface.columnWidth();
        for (const QString &part : surface.fittedLines(text, surface.pageWidth() - x))
            ok = surface.print({Item::tab(column), part}) && ok;
    };
    at(30, line(Receiver, three));
    at(35, u"Акт взвешивания "_s + line(CardNumber, three));
    at(20, line(Date1, three));
    at(20, line(Time1, u"  "_s));
    for (int n : {Sender, VehicleNumber, CargoName, Gross, Tare, Net})
        at(20, line(n, three));
    // When each weight was taken, also for an act without photos, whose
    // captions are the only other place that says so.
    for (const QString &weighing : ActWeighingLines(texts, settings.WeightUnit, tareNote, memory))
        at(20, weighing);
    if (!memory.fingerprint.isEmpty())
        at(20, u"Ключ весовой памяти: "_s + memory.fingerprint);
    ok = surface.print() && ok;
    ok = surface.print({Item::tab(20), u"Оператор:____________________"_s}) && ok;
    ok = surface.print() && ok;
    ok = surface.print() && ok;
    if (!ok) {
        // The job never started: nothing half-printed is sent.
        surface.endDocument();
        return false;
    }

    if (withPhotos && photo) {
        surface.setFontSize(8);
        const double y0 = std::round(surface.currentY());
        // Without the first photo there is no caption; the second photo
        // keeps its place beside where the first would stand.
        double y1 = std::round(y0 + surface.lineHeight());
        // One width limit for both: photos of one size print at one scale.
        const double maxWidth = qMin(ActLayout::SecondPhotoX - ActLayout::FirstPhotoX - ActLayout::PhotoGap,
                                     surface.pageWidth() - ActLayout::SecondPhotoX);
        const ActPhoto first = photo(0);
        if (first.exists) {
            surface.print({Item::tab(10), QString(u"Камера 1   "_s + texts[Date1] + three + texts[Time1])});
            surface.setCurrentY(y0);
            surface.setCurrentX(ActLayout::SecondPhotoX);
            surface.print({QString(texts[Date2] + three + texts[Time2])});
            y1 = std::round(surface.currentY());
            if (!first.image.isNull()) {
                const QSizeF size = ActLayout::photoSize(first.image, maxWidth);
                surface.drawPicture(first.image, ActLayout::FirstPhotoX, y1 + ActLayout::PhotoGap, size.width(),
                                    size.height());
            }
        }
        const ActPhoto second = photo(1);
        if (second.exists && !second.image.isNull()) {
            const QSizeF size = ActLayout::photoSize(second.image, maxWidth);
            surface.drawPicture(second.image, ActLayout::SecondPhotoX, y1 + ActLayout::PhotoGap, size.width(),
                                size.height());
        }
    }
    return surface.endDocument();
}
