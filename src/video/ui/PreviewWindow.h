#pragma once

#include <QLabel>
#include <QWidget>

class VideoPhotos;

// "WinCap видеокамера": the live picture, always on top; its size follows
// the frame's.
class PreviewWindow : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewWindow(VideoPhotos &video, QWidget *parent = nullptr);
    QLabel *picture() const { return m_picture; }

    void showFrame(const QImage &frame);

protected:
    void closeEvent(QCloseEvent *event) override;

private:

    VideoPhotos &m_video;
    QLabel *m_picture;
};
