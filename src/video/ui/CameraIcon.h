#pragma once

#include <QLabel>
#include <array>

class VideoPhotos;

// The camera on the main window: off, on with the video window hidden, on
// with it shown. A click shows or hides the window (or switches the source
// on), a double click switches it off.
class CameraIcon : public QLabel
{
    Q_OBJECT

public:
    explicit CameraIcon(VideoPhotos &video, QWidget *parent = nullptr);
    int shownPicture() const { return m_shown; }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void refresh();

    VideoPhotos &m_video;
    std::array<QPixmap, 3> m_pictures;
    int m_shown = -1;
    bool m_afterDoubleClick = false;
};
