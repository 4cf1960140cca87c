#pragma once

#include <QString>

// The IP camera's side of the photos: its page window and its delayed
// photo. The photos of cards call it when `VideoSourceIp` is 1.
class IpCamera
{
public:
    virtual ~IpCamera() = default;

    // Puts the camera list on `IpCameraNumber` (when 1..3) and loads that
    // camera's fields, so the page shown is the stored camera's.
    virtual void selectStoredCamera() = 0;
    // Shows the page of the camera the panel names.
    virtual void switchOn() = 0;
    virtual void switchOff() = 0;
    virtual void setWindowShown(bool shown) = 0;
    // Takes the photo for the file `path` about a second later and then
    // hands it to `VideoPhotos::ipPhotoTaken`. The path is fixed now: a
    // weighing step within that second must not rename it.
    virtual void Make_Foto_IP(const QString &path) = 0;
};

// No IP camera: switching it on shows nothing, photos none.
class NoIpCamera final : public IpCamera
{
public:
    void selectStoredCamera() override {}
    void switchOn() override {}
    void switchOff() override {}
    void setWindowShown(bool) override {}
    void Make_Foto_IP(const QString &) override {}
};
