#include "CameraSource.h"

#include <QMediaDevices>
#include <QVideoFrame>

using namespace Qt::Literals::StringLiterals;

namespace {

// The default input first, the others in the system's order.
QList<QCameraDevice> orderedInputs()
{
    QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
    const QCameraDevice preferred = QMediaDevices::defaultVideoInput();
    for (qsizetype i = 1; i < inputs.size(); ++i) {
        if (inputs[i] == preferred) {
            inputs.move(i, 0);
            break;
        }
    }
    return inputs;
}

} // namespace

CameraSource::CameraSource(int index, QObject *parent)
    : CaptureSource(parent)
    , m_index(index)
{
}

CameraSource::~CameraSource()
{
    switchOff();
}

QStringList CameraSource::deviceNames()
{
    QStringList names;
    for (const QCameraDevice &d : orderedInputs())
        names << d.description();
    return names;
}

QCameraDevice CameraSource::device() const
{
    const QList<QCameraDevice> inputs = orderedInputs();
    return m_index >= 0 && m_index < inputs.size() ? inputs[m_index] : QCameraDevice();
}

QString CameraSource::name() const
{
    const QCameraDevice d = device();
    return d.isNull() ? u"Видеоустройство %1"_s.arg(m_index) : d.description();
}

bool CameraSource::switchOn()
{
    const QCameraDevice d = device();
    if (d.isNull())
        return false;
    m_last = QImage();
    if (!m_session) {
        m_session = std::make_unique<QMediaCaptureSession>();
        m_sink = std::make_unique<QVideoSink>();
        m_session->setVideoSink(m_sink.get());
        connect(m_sink.get(), &QVideoSink::videoFrameChanged, this, &CameraSource::frame);
    }
    m_camera = std::make_unique<QCamera>(d);
    connect(m_camera.get(), &QCamera::errorOccurred, this, [this](QCamera::Error error, const QString &text) {
        if (error != QCamera::NoError)
            emit failed(text);
    });
    const QList<QCameraFormat> all = d.videoFormats();
    if (m_format >= 0 && m_format < all.size())
        m_camera->setCameraFormat(all[m_format]);
    m_session->setCamera(m_camera.get());
    m_camera->start();
    return m_camera->error() == QCamera::NoError;
}

void CameraSource::switchOff()
{
    if (!m_camera)
        return;
    m_camera->stop();
    m_session->setCamera(nullptr);
    m_camera.reset();
    m_last = QImage();
}

bool CameraSource::isOn() const
{
    return m_camera && m_camera->error() == QCamera::NoError;
}

QList<QSize> CameraSource::formats() const
{
    QList<QSize> sizes;
    for (const QCameraFormat &f : device().videoFormats())
        sizes << f.resolution();
    return sizes;
}

void CameraSource::setFormat(int index)
{
    const QList<QCameraFormat> all = device().videoFormats();
    if (index < 0 || index >= all.size())
        return;
    m_format = index;
    if (m_camera)
        m_camera->setCameraFormat(all[index]);
}

void CameraSource::frame(const QVideoFrame &frame)
{
    m_last = frame.toImage();
    if (!m_last.isNull())
        emit frameReady(m_last);
}
