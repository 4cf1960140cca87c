#pragma once

#include "card/CardServices.h"

#include <QLabel>
#include <QWidget>
#include <array>

class VideoPhotos;

// The two photo slots of a card frame; a click enlarges the slot's photo.
class PhotoSlots : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize SlotSize{160, 120};

    PhotoSlots(VideoPhotos &video, CardPhotos::Frame frame, QWidget *parent = nullptr);
    QLabel *slotLabel(int i) const { return m_slots[size_t(i)]; }
    // Whether slot `i` shows its placeholder.
    bool showsPlaceholder(int i) const { return m_placeholder[size_t(i)]; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();

    VideoPhotos &m_video;
    CardPhotos::Frame m_frame;
    std::array<QLabel *, 2> m_slots{};
    std::array<QPixmap, 2> m_placeholders;
    std::array<bool, 2> m_placeholder{true, true};
};
