#pragma once

#include "CaptureSource.h"

#include <QTimer>

// A moving test picture with a frame counter and the time, so an
// installation without a camera can be tried end to end.
class SyntheticSource final : public CaptureSource
{
    Q_OBJECT

public:
    explicit SyntheticSource(QObject *parent = nullptr);

    QString name() const override;
    bool switchOn() override;
    void switchOff() override;
    bool isOn() const override { return m_on; }
    QImage grab() override;
    QList<QSize> formats() const override;
    int format() const override { return m_format; }
    void setFormat(int index) override;

    // The picture of frame `n`, as the preview shows it.
    QImage paint(qint64 n) const;

private:
    void tick();

    QTimer m_timer;
    bool m_on = false;
    int m_format = 0;
    qint64 m_frames = 0;
};
