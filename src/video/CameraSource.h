#pragma once

#include "CaptureSource.h"

#include <QCamera>
#include <QMediaCaptureSession>
#include <QVideoSink>
#include <memory>

// A capture device through Qt Multimedia. Index 0 is the system's default
// video input; the last frame of the sink is what a photo grabs.
class CameraSource final : public CaptureSource
{
    Q_OBJECT

public:
    explicit CameraSource(int index = 0, QObject *parent = nullptr);
    ~CameraSource() override;

    // The video inputs, the default first.
    static QStringList deviceNames();

    QString name() const override;
    bool switchOn() override;
    void switchOff() override;
    bool isOn() const override;
    QImage grab() override { return m_last; }
    QList<QSize> formats() const override;
    int format() const override { return m_format; }
    void setFormat(int index) override;

private:
    QCameraDevice device() const;
    void frame(const QVideoFrame &frame);

    int m_index;
    int m_format = -1;
    std::unique_ptr<QCamera> m_camera;
    // Made at the first switching on: the media backend starts only then.
    std::unique_ptr<QMediaCaptureSession> m_session;
    std::unique_ptr<QVideoSink> m_sink;
    QImage m_last;
};
