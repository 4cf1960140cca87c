#include "VideoPanel.h"

#include "PreviewWindow.h"
#include "core/ui/WindowPlace.h"
#include "video/VideoPhotos.h"

#include <QEvent>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QString sizeText(const QSize &s)
{
    return u"%1 x %2"_s.arg(s.width()).arg(s.height());
}

} // namespace

VideoPanel::VideoPanel(VideoPhotos &video, QWidget *mainWindow, const QWidget *keepClear)
    : QWidget(mainWindow, Qt::Window)
    , m_video(video)
    , m_keepClear(keepClear)
    , m_preview(new PreviewWindow(video, mainWindow))
    , m_hint(new QLabel(this))
{
    setWindowTitle(u"Видеозахват USB/PCI"_s);
    setAccessibleName(windowTitle());
    auto *layout = new QVBoxLayout(this);
    const auto add = [this, layout](const QString &caption, auto action) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(caption);
        b->setAccessibleName(caption);
        layout->addWidget(b);
        connect(b, &QPushButton::clicked, this, action);
    };
    add(u"Включить"_s, [this] { m_video.switchOnUsb(); });
    add(u"Выключить"_s, [this] { m_video.switchOffUsb(); });
    add(u"Источник"_s, [this] { chooseSource(); });
    add(u"Формат"_s, [this] { chooseFormat(); });
    add(u"Фото"_s, [this] { m_video.panelPhoto(); });
    add(u"Выход"_s, [this] { hide(); });
    m_hint->setAccessibleName(u"Подсказка"_s);
    m_hint->setWordWrap(true);
    m_hint->hide();
    layout->addWidget(m_hint);
    m_preview->installEventFilter(this);

    connect(&m_video, &VideoPhotos::changed, this, &VideoPanel::follow);
    connect(&m_video, &VideoPhotos::captureFailed, this, [this](const QString &text) {
        // Not modal to the program: the weighing goes on behind it.
        auto *box = new QMessageBox(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setAccessibleName(text);
        box->open();
    });
    connectSource();
}

QPushButton *VideoPanel::button(const QString &caption) const
{
    return findChild<QPushButton *>(caption);
}

void VideoPanel::connectSource()
{
    // A source chosen in "Источник" replaces the one the preview listened to.
    if (m_source && m_source == &m_video.source())
        return;
    m_source = &m_video.source();
    connect(m_source, &CaptureSource::frameReady, m_preview, &PreviewWindow::showFrame);
}

void VideoPanel::follow()
{
    connectSource();
    if (m_video.VideoOn())
        m_hint->hide();
    const bool shown = m_video.previewShown();
    if (shown == m_previewShown)
        return;
    m_previewShown = shown;
    if (shown) {
        placePreview();
        m_preview->show();
        // Again once shown: only then has the window its frame.
        placePreview();
        m_preview->raise();
    } else {
        m_preview->hide();
    }
}

void VideoPanel::placePreview()
{
    m_placing = true;
    m_preview->move(openingPlace(m_preview->frameGeometry().size(), m_previewPosition, m_keepClear));
    m_placing = false;
}

bool VideoPanel::videoOnOrSay()
{
    if (m_video.VideoOn())
        return true;
    m_hint->setText(u"Видео выключено: сначала нажмите «Включить», затем выберите источник или формат."_s);
    m_hint->show();
    return false;
}

bool VideoPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_preview && !m_placing && m_preview->isVisible()) {
        // Moved by the operator, not by the program placing it.
        if (event->type() == QEvent::Move) {
            m_previewPosition = m_preview->pos();
            emit previewMoved(m_preview->pos());
        }
        // A larger picture format: still out of the weights' way and on the screen.
        if (event->type() == QEvent::Resize)
            placePreview();
    }
    return QWidget::eventFilter(watched, event);
}

void VideoPanel::chooseSource()
{
    if (!videoOnOrSay())
        return;
    const QStringList names = m_video.sourceNames();
    auto *dialog = new QInputDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(u"Источник"_s);
    dialog->setAccessibleName(u"Источник"_s);
    dialog->setLabelText(u"Источник видео:"_s);
    dialog->setComboBoxItems(names);
    dialog->setComboBoxEditable(false);
    dialog->setTextValue(m_video.source().name());
    connect(dialog, &QInputDialog::textValueSelected, this,
            [this, names](const QString &name) { m_video.chooseSource(int(names.indexOf(name))); });
    dialog->open();
}

void VideoPanel::chooseFormat()
{
    if (!videoOnOrSay())
        return;
    QStringList items;
    for (const QSize &s : m_video.source().formats())
        items << sizeText(s);
    if (items.isEmpty())
        return;
    auto *dialog = new QInputDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(u"Формат"_s);
    dialog->setAccessibleName(u"Формат"_s);
    dialog->setLabelText(u"Разрешение:"_s);
    dialog->setComboBoxItems(items);
    dialog->setComboBoxEditable(false);
    if (m_video.source().format() >= 0 && m_video.source().format() < items.size())
        dialog->setTextValue(items[m_video.source().format()]);
    connect(dialog, &QInputDialog::textValueSelected, this,
            [this, items](const QString &text) { m_video.setFormat(int(items.indexOf(text))); });
    dialog->open();
}
