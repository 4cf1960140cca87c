#pragma once

#include <QPointer>
#include <QWidget>

class CaptureSource;
class PreviewWindow;
class QPushButton;
class VideoPhotos;

// The panel "Видеозахват USB/PCI", the preview window and the failure box.
class VideoPanel : public QWidget
{
    Q_OBJECT

public:
    explicit VideoPanel(VideoPhotos &video, QWidget *mainWindow);

    QPushButton *button(const QString &caption) const;
    PreviewWindow *preview() const { return m_preview; }
    // The device list of "Источник" and the resolutions of "Формат".
    void chooseSource();
    void chooseFormat();

private:
    void follow();
    void connectSource();

    VideoPhotos &m_video;
    QWidget *m_mainWindow;
    PreviewWindow *m_preview;
    bool m_previewShown = false;
    QPointer<CaptureSource> m_source;
};
