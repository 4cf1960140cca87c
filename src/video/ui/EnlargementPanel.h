#pragma once

#include <QGroupBox>

class QLabel;
class VideoPhotos;

// The enlarged photo over the main window; a click on it closes it.
class EnlargementPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit EnlargementPanel(VideoPhotos &video, QWidget *parent);
    QLabel *picture() const { return m_picture; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();

    VideoPhotos &m_video;
    QLabel *m_picture;
};
