#include "PhotoSlots.h"

#include "video/VideoPhotos.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace {

// Each slot of each frame has a picture of its own, so an empty slot says
// which photo is missing.
QPixmap placeholder(CardPhotos::Frame frame, int slot)
{
    QPixmap p(PhotoSlots::SlotSize);
    p.fill(frame == CardPhotos::Frame::CurrentCard ? QColor(200, 210, 225) : QColor(225, 215, 195));
    QPainter painter(&p);
    painter.setPen(Qt::darkGray);
    painter.drawRect(p.rect().adjusted(0, 0, -1, -1));
    painter.drawText(p.rect(), Qt::AlignCenter,
                     (slot == 0 ? u"Нет фото\nпервого взвешивания"_s : u"Нет фото\nвторого взвешивания"_s));
    return p;
}

} // namespace

PhotoSlots::PhotoSlots(VideoPhotos &video, CardPhotos::Frame frame, QWidget *parent)
    : QWidget(parent)
    , m_video(video)
    , m_frame(frame)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 2; ++i) {
        m_placeholders[size_t(i)] = placeholder(frame, i);
        auto *label = new QLabel(this);
        label->setFixedSize(SlotSize);
        label->setAccessibleName(i == 0 ? u"Фото 1"_s : u"Фото 2"_s);
        label->installEventFilter(this);
        layout->addWidget(label);
        m_slots[size_t(i)] = label;
    }
    layout->addStretch();
    connect(&m_video, &VideoPhotos::changed, this, &PhotoSlots::refresh);
    refresh();
}

void PhotoSlots::refresh()
{
    for (int i = 0; i < 2; ++i) {
        const QImage &image = m_video.slot(m_frame, i).image;
        m_placeholder[size_t(i)] = image.isNull();
        m_slots[size_t(i)]->setPixmap(
            image.isNull() ? m_placeholders[size_t(i)]
                           : QPixmap::fromImage(image.scaled(SlotSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
}

bool PhotoSlots::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < 2; ++i) {
            if (watched == m_slots[size_t(i)]) {
                m_video.clickSlot(m_frame, i);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
