#pragma once

// Told after every successful write of the settings or the workplace
// settings: the weighing memory counts the changes of the legally relevant
// ones (OIML R 76-1 event counter).
class SettingsObserver
{
public:
    virtual ~SettingsObserver() = default;
    virtual void settingsStored() = 0;
};
