#pragma once

#include "CaptureSource.h"
#include "IpCamera.h"
#include "PhotoStore.h"
#include "card/CardServices.h"

#include <QImage>
#include <QObject>
#include <array>
#include <memory>

class AppContext;
class EventLog;

// The shared video state and the photos of cards: which source is on, the
// camera icon, the two photo slots of each card frame and the enlargement
// panel, as plain values the windows show.
class VideoPhotos final : public QObject, public CardPhotos
{
    Q_OBJECT

public:
    enum class Icon { Off, OnWindowHidden, OnWindowShown };
    struct Slot
    {
        QImage image;         // null: the slot shows its placeholder
        QString path;         // the file the slot shows or looked for
    };
    static inline const QString CaptureFailedText = QStringLiteral("Unable to capture video.");

    VideoPhotos(AppContext &context, EventLog &log, IpCamera &ipCamera, std::unique_ptr<CaptureSource> source,
                QObject *parent = nullptr);
    ~VideoPhotos() override;

    // CardPhotos
    void takePhoto(const QString &name, int slot) override;
    void showCardPhotos(Frame frame, const QString &folder, qint32 id) override;
    void startForAutoMode() override;
    void switchOff() override;

    bool VideoOn() const { return m_videoOn; }
    const QString &PhotoBaseName() const { return m_photoBaseName; }
    // The current date's month data folder, where photos are written.
    QString PhotoFolder() const;
    Icon icon() const { return m_icon; }
    bool previewShown() const { return m_previewShown; }

    CaptureSource &source() { return *m_source; }
    // The sources the "Источник" dialog offers: the devices, then the test picture.
    QStringList sourceNames() const;
    void chooseSource(int index);
    void setSource(std::unique_ptr<CaptureSource> source);

    // The panel "Видеозахват USB/PCI".
    void switchOnUsb();
    void switchOffUsb();
    void setFormat(int index);
    void panelPhoto();
    // The preview window's close box: the source off, the icon kept.
    void previewClosed();
    // Grabs a frame and stores it as "{PhotoFolder}{PhotoBaseName}.jpg";
    // null when no photo was taken.
    QImage Make_Foto_USB();

    // The panel "Видеозахват IP": "Включить" with the panel as it stands,
    // "Выключить", and "Фото" under the current `PhotoBaseName`.
    void switchOnIp();
    void switchOffIp();
    void ipPanelPhoto();
    // A photo the IP camera took for the file `path`.
    void ipPhotoTaken(const QString &path, const QImage &image);

    void iconClicked();
    void iconDoubleClicked();

    const Slot &slot(Frame frame, int index) const { return m_slots[size_t(frame)][size_t(index)]; }
    void clickSlot(Frame frame, int index);
    void closeEnlargement();
    bool enlargementShown() const { return m_enlarged; }
    const QImage &enlargedImage() const { return m_enlargedImage; }
    const QString &enlargedCaption() const { return m_enlargedCaption; }

    PhotoStore &store() { return m_store; }

signals:
    void changed();
    // A message box with the error icon.
    void captureFailed(const QString &text);
    void photoFailed(const QString &path, const QString &reason);

private:
    QImage load(const QString &path) const;
    void putIntoSlot(const QImage &image, int slot, const QString &path);
    void setIcon(Icon icon);
    void storeSource();
    void stopUsb();

    AppContext &m_context;
    EventLog &m_log;
    IpCamera &m_ip;
    std::unique_ptr<CaptureSource> m_source;
    PhotoStore m_store;
    bool m_videoOn = false;
    bool m_previewShown = false;
    bool m_failedShown = false;
    Icon m_icon = Icon::Off;
    QString m_photoBaseName;
    std::array<std::array<Slot, 2>, 2> m_slots;
    std::array<QString, 2> m_folder;
    std::array<qint32, 2> m_id{};
    bool m_enlarged = false;
    QImage m_enlargedImage;
    QString m_enlargedCaption;
};
