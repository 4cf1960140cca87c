#pragma once

#include <QPoint>
#include <QPointer>
#include <optional>
#include <QWidget>

class CaptureSource;
class PreviewWindow;
class QLabel;
class QPushButton;
class VideoPhotos;

// The panel "Видеозахват USB/PCI", the preview window and the failure box.
class VideoPanel : public QWidget
{
    Q_OBJECT

public:
    // The preview opens beside `keepClear`, the weights, not over them.
    VideoPanel(VideoPhotos &video, QWidget *mainWindow, const QWidget *keepClear);

    QPushButton *button(const QString &caption) const;
    PreviewWindow *preview() const { return m_preview; }
    // The device list of "Источник" and the resolutions of "Формат".
    void chooseSource();
    void chooseFormat();
    // What "Источник" or "Формат" said while the video was off.
    QLabel *hint() const { return m_hint; }
    // Where the operator last put the preview; it opens there again.
    void setPreviewPosition(const QPoint &position) { m_previewPosition = position; }

signals:
    // The operator moved the preview.
    void previewMoved(const QPoint &position);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // False, with the hint shown, while the video is off.
    bool videoOnOrSay();

    void follow();
    // Where it was put before, else beside the weights; inside the screen.
    void placePreview();
    void connectSource();

    VideoPhotos &m_video;
    const QWidget *m_keepClear;
    PreviewWindow *m_preview;
    bool m_previewShown = false;
    bool m_placing = false;
    QLabel *m_hint;
    std::optional<QPoint> m_previewPosition;
    QPointer<CaptureSource> m_source;
};
