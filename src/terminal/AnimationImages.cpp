#include "AnimationImages.h"

#include "core/Folders.h"
#include "core/Settings.h"

#include <QPainter>

namespace AnimationImages {

QImage builtIn(int index)
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The terminal: a box with a display.
    p.setPen(QPen(QColor(40, 40, 50), 1.5));
    p.setBrush(QColor(90, 95, 110));
    p.drawRoundedRect(QRectF(4, 24, 22, 18), 3, 3);
    p.setBrush(index == 0 ? QColor(60, 80, 60) : QColor(120, 230, 120));
    p.drawRect(QRectF(8, 28, 14, 6));

    // Waves of data leaving it, one more per picture.
    p.setBrush(Qt::NoBrush);
    for (int wave = 1; wave <= 3; ++wave) {
        const bool lit = wave <= index;
        p.setPen(QPen(lit ? QColor(30, 140, 230) : QColor(200, 200, 205), 2.5, Qt::SolidLine,
                      Qt::RoundCap));
        const qreal r = 6.0 + wave * 6.0;
        p.drawArc(QRectF(26 - r, 26 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
    return image;
}

QImage picture(const Settings &settings, int index)
{
    if (index < 0 || index >= int(settings.AnimationPictures.size()))
        return builtIn(0);
    const QString &path = settings.AnimationPictures[std::size_t(index)];
    if (PathExists(path)) {
        QImage image(path);
        if (!image.isNull())
            return image;
    }
    return builtIn(index);
}

std::array<QImage, 4> pictures(const Settings &settings)
{
    return {picture(settings, 0), picture(settings, 1), picture(settings, 2), picture(settings, 3)};
}

} // namespace AnimationImages
