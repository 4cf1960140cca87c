#include "CameraIcon.h"

#include "video/VideoPhotos.h"

#include <QMouseEvent>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace {

QPixmap camera(const QColor &body, bool lens)
{
    QPixmap p(32, 24);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(body);
    painter.setPen(Qt::black);
    painter.drawRoundedRect(QRectF(1, 5, 22, 16), 3, 3);
    painter.drawPolygon(QPolygonF({QPointF(23, 10), QPointF(31, 6), QPointF(31, 20), QPointF(23, 16)}));
    painter.setBrush(lens ? QColor(Qt::red) : QColor(Qt::darkGray));
    painter.drawEllipse(QPointF(12, 13), 4, 4);
    return p;
}

} // namespace

CameraIcon::CameraIcon(VideoPhotos &video, QWidget *parent)
    : QLabel(parent)
    , m_video(video)
{
    m_pictures = {camera(Qt::lightGray, false), camera(QColor(120, 170, 120), false),
                  camera(QColor(60, 160, 60), true)};
    setAccessibleName(u"Видеокамера"_s);
    setFixedSize(m_pictures[0].size());
    connect(&m_video, &VideoPhotos::changed, this, &CameraIcon::refresh);
    refresh();
}

void CameraIcon::refresh()
{
    const int shown = int(m_video.icon());
    if (shown == m_shown)
        return;
    m_shown = shown;
    setPixmap(m_pictures[size_t(shown)]);
}

void CameraIcon::mouseReleaseEvent(QMouseEvent *event)
{
    // The release that ends a double click is not a click of its own.
    if (event->button() == Qt::LeftButton && !m_afterDoubleClick)
        m_video.iconClicked();
    m_afterDoubleClick = false;
}

void CameraIcon::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_afterDoubleClick = true;
        m_video.iconDoubleClicked();
    }
}
