#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

// A video input the photos are grabbed from. The preview is the stream of
// `frameReady` images, so the windows that show it stay out of the logic.
class CaptureSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~CaptureSource() override = default;

    // The name the "Источник" dialog lists.
    virtual QString name() const = 0;
    // Starts the preview; false when the device cannot be opened.
    virtual bool switchOn() = 0;
    virtual void switchOff() = 0;
    virtual bool isOn() const = 0;
    // The last frame; null when the source delivers none.
    virtual QImage grab() = 0;
    // The resolutions the device offers, and the index of the one in use.
    virtual QList<QSize> formats() const = 0;
    virtual int format() const = 0;
    virtual void setFormat(int index) = 0;

signals:
    // A new preview frame.
    void frameReady(const QImage &frame);
    // The device failed after it was switched on.
    void failed(const QString &reason);
};
