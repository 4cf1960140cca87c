#include "SyntheticSource.h"

#include <QDateTime>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

SyntheticSource::SyntheticSource(QObject *parent)
    : CaptureSource(parent)
{
    // The preview period of the capture devices.
    m_timer.setInterval(30);
    connect(&m_timer, &QTimer::timeout, this, &SyntheticSource::tick);
}

QString SyntheticSource::name() const
{
    return u"Тестовое изображение"_s;
}

bool SyntheticSource::switchOn()
{
    m_on = true;
    m_timer.start();
    emit frameReady(paint(m_frames));
    return true;
}

void SyntheticSource::switchOff()
{
    m_on = false;
    m_timer.stop();
}

QImage SyntheticSource::grab()
{
    return m_on ? paint(m_frames) : QImage();
}

QList<QSize> SyntheticSource::formats() const
{
    return {QSize(640, 480), QSize(1280, 720), QSize(320, 240)};
}

void SyntheticSource::setFormat(int index)
{
    if (index < 0 || index >= formats().size())
        return;
    m_format = index;
    if (m_on)
        emit frameReady(paint(m_frames));
}

void SyntheticSource::tick()
{
    ++m_frames;
    emit frameReady(paint(m_frames));
}

QImage SyntheticSource::paint(qint64 n) const
{
    const QSize size = formats().at(m_format);
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 60, 90));
    QPainter p(&image);
    // Colour bars, then a square that travels so a frozen preview shows.
    const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue};
    const int barWidth = size.width() / 7;
    for (int i = 0; i < 7; ++i)
        p.fillRect(i * barWidth, 0, barWidth, size.height() / 2, bars[i]);
    const int side = size.height() / 6;
    const int x = int((n * 4) % qMax(1, size.width() - side));
    p.fillRect(x, size.height() / 2 + side / 2, side, side, Qt::white);
    QFont font = p.font();
    font.setPixelSize(qMax(10, size.height() / 14));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, size.height() * 3 / 4, size.width(), size.height() / 4), Qt::AlignCenter,
               u"Кадр %1  %2"_s.arg(n).arg(QDateTime::currentDateTime().toString(u"HH:mm:ss"_s)));
    return image;
}
