#pragma once

// The IP camera's side of the photos: its page window and its delayed
// photo. The photos of cards call it when `VideoSourceIp` is 1.
class IpCamera
{
public:
    virtual ~IpCamera() = default;

    // Shows the page of the camera `IpCameraNumber` names.
    virtual void switchOn() = 0;
    virtual void switchOff() = 0;
    virtual void setWindowShown(bool shown) = 0;
    // Takes the photo "{PhotoFolder}{PhotoBaseName}.jpg" about a second
    // later and then hands it to `VideoPhotos::ipPhotoTaken`.
    virtual void Make_Foto_IP() = 0;
};

// Until the IP camera exists: switching it on shows nothing, photos none.
class NoIpCamera final : public IpCamera
{
public:
    void switchOn() override {}
    void switchOff() override {}
    void setWindowShown(bool) override {}
    void Make_Foto_IP() override {}
};
