#include "PreviewWindow.h"

#include "video/VideoPhotos.h"

#include <QCloseEvent>

using namespace Qt::Literals::StringLiterals;

namespace {

// 200 and 600 twips at 15 twips a pixel: the frame around the picture.
constexpr int ExtraWidth = 200 / 15;
constexpr int ExtraHeight = 600 / 15;

} // namespace

PreviewWindow::PreviewWindow(VideoPhotos &video, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
    , m_video(video)
    , m_picture(new QLabel(this))
{
    setWindowTitle(u"WinCap видеокамера"_s);
    setAccessibleName(windowTitle());
    m_picture->setAccessibleName(u"Видео"_s);
    m_picture->move(0, 0);
    m_picture->resize(320, 240);
    resize(m_picture->width() + ExtraWidth, m_picture->height() + ExtraHeight);
}

void PreviewWindow::showFrame(const QImage &frame)
{
    if (frame.isNull())
        return;
    m_picture->setPixmap(QPixmap::fromImage(frame));
    if (m_picture->size() != frame.size()) {
        m_picture->resize(frame.size());
        resize(frame.width() + ExtraWidth, frame.height() + ExtraHeight);
    }
}

void PreviewWindow::closeEvent(QCloseEvent *event)
{
    // The close box switches the source off; the icon stays as it was.
    if (m_video.previewShown())
        m_video.previewClosed();
    event->accept();
}
