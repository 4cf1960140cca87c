#include "VideoPhotos.h"

#include "CameraSource.h"
#include "SyntheticSource.h"
#include "core/AppContext.h"
#include "core/SettingsChange.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

using namespace Qt::Literals::StringLiterals;

VideoPhotos::VideoPhotos(AppContext &context, EventLog &log, IpCamera &ipCamera, std::unique_ptr<CaptureSource> source,
                         QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_ip(ipCamera)
{
    setSource(std::move(source));
    connect(&m_store, &PhotoStore::failed, this, &VideoPhotos::photoFailed);
}

// The store's own end waits for the photos still being written.
VideoPhotos::~VideoPhotos() = default;

QString VideoPhotos::PhotoFolder() const
{
    // Follows the clock, so a change of day moves it with the day file.
    return m_context.MonthDataFolder();
}

void VideoPhotos::setSource(std::unique_ptr<CaptureSource> source)
{
    // A source chosen while the video is on takes over the preview.
    const bool wasOn = m_videoOn && m_context.settings.VideoSourceIp == 0;
    if (m_source)
        m_source->switchOff();
    m_source = std::move(source);
    connect(m_source.get(), &CaptureSource::failed, this, [this](const QString &) {
        // One box per switching on, however many errors the device reports.
        if (m_failedShown)
            return;
        m_failedShown = true;
        emit captureFailed(CaptureFailedText);
    });
    if (wasOn && !m_source->switchOn())
        emit captureFailed(CaptureFailedText);
    emit changed();
}

QStringList VideoPhotos::sourceNames() const
{
    QStringList names = CameraSource::deviceNames();
    names << SyntheticSource().name();
    return names;
}

void VideoPhotos::chooseSource(int index)
{
    const int devices = int(CameraSource::deviceNames().size());
    if (index < 0 || index > devices)
        return;
    m_failedShown = false;
    if (index < devices)
        setSource(std::make_unique<CameraSource>(index));
    else
        setSource(std::make_unique<SyntheticSource>());
}

void VideoPhotos::setIcon(Icon icon)
{
    m_icon = icon;
    emit changed();
}

void VideoPhotos::switchOnUsb()
{
    m_ip.switchOff();
    m_videoOn = true;
    m_context.settings.VideoSourceIp = 0;
    m_context.settings.IpCameraNumber = 10;
    m_previewShown = true;
    m_failedShown = false;
    setIcon(Icon::OnWindowShown);
    // VideoOn stays on when the device fails: photos then find no frame.
    if (!m_source->isOn() && !m_source->switchOn()) {
        m_failedShown = true;
        emit captureFailed(CaptureFailedText);
    }
    storeSource();
    emit changed();
}

void VideoPhotos::storeSource()
{
    // The source switches at once either way; a failure is in the log and
    // only means the next start opens the previous source.
    static_cast<void>(storeSettingsChange(m_context, m_log));
}

void VideoPhotos::stopUsb()
{
    m_videoOn = false;
    m_source->switchOff();
    m_previewShown = false;
}

void VideoPhotos::switchOffUsb()
{
    m_icon = Icon::Off;
    stopUsb();
    emit changed();
}

void VideoPhotos::previewClosed()
{
    stopUsb();
    emit changed();
}

void VideoPhotos::setFormat(int index)
{
    if (!m_videoOn)
        return;
    m_source->setFormat(index);
    emit changed();
}

void VideoPhotos::switchOnIp()
{
    stopUsb();
    m_videoOn = true;
    m_context.settings.VideoSourceIp = 1;
    setIcon(Icon::OnWindowShown);
    m_ip.switchOn();
    storeSource();
    emit changed();
}

void VideoPhotos::switchOffIp()
{
    // The USB/PCI source, when it is the one on, is not the IP panel's to end.
    if (m_context.settings.VideoSourceIp == 1) {
        m_icon = Icon::Off;
        m_videoOn = false;
    }
    m_ip.switchOff();
    emit changed();
}

void VideoPhotos::ipPanelPhoto()
{
    if (m_videoOn && m_context.settings.VideoSourceIp == 1)
        m_ip.Make_Foto_IP(PhotoFolder() + m_photoBaseName + u".jpg"_s);
}

void VideoPhotos::iconClicked()
{
    switch (m_icon) {
    case Icon::Off:
        if (m_context.settings.VideoSourceIp == 1) {
            m_ip.selectStoredCamera();
            switchOnIp();
        } else
            switchOnUsb();
        return;
    case Icon::OnWindowShown:
        if (m_context.settings.VideoSourceIp == 1)
            m_ip.setWindowShown(false);
        else
            m_previewShown = false;
        setIcon(Icon::OnWindowHidden);
        return;
    case Icon::OnWindowHidden:
        if (m_context.settings.VideoSourceIp == 1)
            m_ip.setWindowShown(true);
        else
            m_previewShown = true;
        setIcon(Icon::OnWindowShown);
        return;
    }
}

void VideoPhotos::iconDoubleClicked()
{
    m_icon = Icon::Off;
    if (m_context.settings.VideoSourceIp == 1) {
        m_videoOn = false;
        m_ip.switchOff();
    } else {
        stopUsb();
    }
    emit changed();
}

void VideoPhotos::startForAutoMode()
{
    if (m_context.settings.VideoSourceIp == 1) {
        // The stored camera's fields first, so its page is the one shown.
        m_ip.selectStoredCamera();
        switchOnIp();
    } else
        switchOnUsb();
}

void VideoPhotos::switchOff()
{
    stopUsb();
    m_ip.switchOff();
    emit changed();
    // A photo still being encoded is not lost at the program's end.
    m_store.waitForDone();
}

void VideoPhotos::takePhoto(const QString &name, int slot)
{
    m_photoBaseName = name;
    if (m_context.settings.VideoSourceIp == 1) {
        // The file is named now, not when the photo arrives.
        if (m_videoOn)
            m_ip.Make_Foto_IP(PhotoFolder() + name + u".jpg"_s);
        return;
    }
    const QImage frame = Make_Foto_USB();
    if (frame.isNull())
        return;
    putIntoSlot(frame, slot, PhotoFolder() + name + u".jpg"_s);
    if (slot == 0) {
        // A new card has no second photo yet.
        m_slots[size_t(Frame::CurrentCard)][1] = Slot{QImage(), PhotoFolder() + name + u"_1.jpg"_s};
        emit changed();
    }
}

QImage VideoPhotos::Make_Foto_USB()
{
    if (!m_videoOn || !m_source->isOn())
        return {};
    const QImage frame = m_source->grab();
    if (!frame.isNull())
        m_store.write(PhotoFolder() + m_photoBaseName + u".jpg"_s, frame);
    return frame;
}

void VideoPhotos::panelPhoto()
{
    // Always the first slot, whatever the name ends in.
    if (const QImage frame = Make_Foto_USB(); !frame.isNull())
        putIntoSlot(frame, 0, PhotoFolder() + m_photoBaseName + u".jpg"_s);
}

void VideoPhotos::ipPhotoTaken(const QString &path, const QImage &image)
{
    if (!m_videoOn || image.isNull())
        return;
    m_store.write(path, image);
    // The frame shows its own card's photos; another card's photo (the
    // frame moved on within the second) only goes to its file.
    const size_t current = size_t(Frame::CurrentCard);
    if (m_id[current] != 0) {
        showCardPhotos(Frame::CurrentCard, m_folder[current], m_id[current]);
        return;
    }
    putIntoSlot(image, QFileInfo(path).completeBaseName().endsWith(u"_1"_s) ? 1 : 0, path);
}

void VideoPhotos::putIntoSlot(const QImage &image, int slot, const QString &path)
{
    m_slots[size_t(Frame::CurrentCard)][size_t(slot)] = Slot{image, path};
    emit changed();
}

QImage VideoPhotos::load(const QString &path) const
{
    // A photo still being written is shown from memory.
    if (const QImage queued = m_store.pending(path); !queued.isNull())
        return queued;
    QImageReader reader(path);
    return reader.read();
}

void VideoPhotos::showCardPhotos(Frame frame, const QString &folder, qint32 id)
{
    m_folder[size_t(frame)] = folder;
    m_id[size_t(frame)] = id;
    const QString base = folder + QString::number(id);
    for (int i = 0; i < 2; ++i) {
        const QString path = base + (i == 0 ? u".jpg"_s : u"_1.jpg"_s);
        m_slots[size_t(frame)][size_t(i)] = Slot{load(path), path};
    }
    emit changed();
}

void VideoPhotos::clickSlot(Frame frame, int index)
{
    if (m_enlarged) {
        closeEnlargement();
        return;
    }
    const QString path = m_slots[size_t(frame)][size_t(index)].path;
    const QImage image = path.isEmpty() ? QImage() : load(path);
    m_enlarged = !image.isNull();
    m_enlargedImage = image;
    m_enlargedCaption = m_enlarged ? path : QString();
    emit changed();
}

void VideoPhotos::closeEnlargement()
{
    m_enlarged = false;
    m_enlargedImage = QImage();
    m_enlargedCaption.clear();
    emit changed();
}
