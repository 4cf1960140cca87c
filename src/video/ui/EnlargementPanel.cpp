#include "EnlargementPanel.h"

#include "video/VideoPhotos.h"

#include <QEvent>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace {
// 500 twips at 15 twips a pixel, around the picture.
constexpr int Border = 500 / 15;
} // namespace

EnlargementPanel::EnlargementPanel(VideoPhotos &video, QWidget *parent)
    : QGroupBox(parent)
    , m_video(video)
    , m_picture(new QLabel(this))
{
    setAccessibleName(u"Фото"_s);
    setAutoFillBackground(true);
    m_picture->setAccessibleName(u"Увеличенное фото"_s);
    m_picture->move(Border / 2, Border / 2 + 8);
    m_picture->installEventFilter(this);
    hide();
    connect(&m_video, &VideoPhotos::changed, this, &EnlargementPanel::refresh);
}

void EnlargementPanel::refresh()
{
    if (!m_video.enlargementShown()) {
        hide();
        return;
    }
    const QImage &image = m_video.enlargedImage();
    m_picture->setPixmap(QPixmap::fromImage(image));
    m_picture->resize(image.size());
    setTitle(m_video.enlargedCaption());
    resize(image.width() + Border, image.height() + Border);
    move(0, 0);
    show();
    raise();
}

bool EnlargementPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_picture && event->type() == QEvent::MouseButtonRelease) {
        m_video.closeEnlargement();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}
