#pragma once

#include "MemoryMarks.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class PrintSurface;
struct Settings;

// One photo of a card for the act: whether its file is there, and the
// picture (null when it could not be decoded).
struct ActPhoto
{
    bool exists = false;
    QImage image;
};

// The weighing act of the card whose frame texts are `texts` (ОП(0)..ОП(24)
// as the frame shows them). `photo(0)` and `photo(1)` are the photos of the
// first and second weighing; they are asked for only with `withPhotos`.
// False when the document could not be started or sent; errors while the
// photos are drawn are passed over so the page is always finished.
// `tareNote`, when there is one, says with the weighings where the tare came from.
bool PrintWeighingAct(PrintSurface &surface, const Settings &settings, const std::array<QString, 25> &texts,
                      bool withPhotos, const std::function<ActPhoto(int)> &photo,
                      const QString &tareNote = QString(), const MemoryMarks &memory = {});

// The two weighings of the act, each with its date, time and weight; a
// single-pass card's tare was not weighed. Below them, in brackets, where the
// tare came from when that is noted.
// Each weighing with its number in the weighing memory on the line below.
QStringList ActWeighingLines(const std::array<QString, 25> &texts, const QString &unit, const QString &tareNote,
                             const MemoryMarks &memory = {});

// The photo row of the act, in twips.
namespace ActLayout {
inline constexpr double PhotoHeight = 4000;
inline constexpr double FirstPhotoX = 1000;
inline constexpr double SecondPhotoX = 6000;
inline constexpr double PhotoGap = 200;
// A photo 4000 twips high with the picture's own aspect ratio; one that
// would run into its neighbour or off the page is made smaller to
// `maxWidth`, still in proportion.
QSizeF photoSize(const QImage &image, double maxWidth);
} // namespace ActLayout
