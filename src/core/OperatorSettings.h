#pragma once

#include "StoreResult.h"

#include <QPoint>
#include <QString>

#include <optional>

// The operator's workplace settings that the settings file has no record
// for. They live in a file of their own beside it, so the settings file
// keeps its 131 records. Each value keeps its default and bounds here.
class OperatorSettings
{
public:
    // Beside `settingsFile`.
    static QString pathBeside(const QString &settingsFile);

    // A missing or unreadable file gives the defaults.
    void load(const QString &path);
    StoreResult store(const QString &path) const;

    // The data-entry boxes are emptied after "Записать"; off keeps them
    // for the next vehicle of the same kind.
    bool clearEntryAfterStore() const { return m_clearEntry; }
    void setClearEntryAfterStore(bool on) { m_clearEntry = on; }
    // A value typed into a parameter box joins its pick list with the card.
    bool learnPickLists() const { return m_learnLists; }
    void setLearnPickLists(bool on) { m_learnLists = on; }
    // Open weighings are looked for over this many days, today included;
    // read after every store, so a quarter of a year at most.
    int openWeighingDays() const { return qBound(1, m_openDays, MaxOpenDays); }
    void setOpenWeighingDays(int days) { m_openDays = qBound(1, days, MaxOpenDays); }
    // A stored tare older than this many days is not offered; 0: no limit.
    int storedTareMaxAge() const { return qBound(0, m_tareAge, MaxDays); }
    void setStoredTareMaxAge(int days) { m_tareAge = qBound(0, days, MaxDays); }

    // "Записать", "Бруто" and "Тара" wait for a steady weight (on unless the
    // workplace turned it off: a truck still driving on is no weighing).
    bool refuseUnsteady() const { return m_refuseUnsteady; }
    void setRefuseUnsteady(bool on) { m_refuseUnsteady = on; }
    // A weight at or below this is an empty platform, no vehicle's (kg).
    int emptyPlatformWeight() const { return qBound(0, m_emptyWeight, MaxEmptyWeight); }
    void setEmptyPlatformWeight(int kg) { m_emptyWeight = qBound(0, kg, MaxEmptyWeight); }

    // How long the weight field holds the last frame's weight while no
    // whole frame arrives, before it shows the no-data mark (the link
    // makes it at least two poll periods).
    int holdTimeMs() const { return qBound(0, m_holdMs, MaxHoldMs); }
    void setHoldTimeMs(int ms) { m_holdMs = qBound(0, ms, MaxHoldMs); }
    // How long a polled terminal's reply is waited for (the link keeps it
    // within the poll period).
    int replyTimeoutMs() const { return qBound(MinReplyMs, m_replyMs, MaxReplyMs); }
    void setReplyTimeoutMs(int ms) { m_replyMs = qBound(MinReplyMs, ms, MaxReplyMs); }

    // Weighing without an operator: a vehicle whose card is read is stored
    // or completed by itself once the platform allows it, and nothing asks
    // a question. Off unless the workplace is set so.
    bool unattended() const { return m_unattended; }
    void setUnattended(bool on) { m_unattended = on; }

    // Where the operator last put the USB/PCI preview; none: the default place.
    std::optional<QPoint> previewPosition() const { return m_previewPosition; }
    void setPreviewPosition(const QPoint &position) { m_previewPosition = position; }
    // The same for the IP camera's window.
    std::optional<QPoint> ipCameraPosition() const { return m_ipCameraPosition; }
    void setIpCameraPosition(const QPoint &position) { m_ipCameraPosition = position; }

    static constexpr int MaxDays = 3660;
    static constexpr int MaxOpenDays = 92;
    static constexpr int MaxHoldMs = 10000;
    static constexpr int MinReplyMs = 20;
    static constexpr int MaxReplyMs = 2000;
    static constexpr int MaxEmptyWeight = 10000;

private:
    bool m_clearEntry = true;
    bool m_learnLists = true;
    int m_openDays = 7;
    int m_tareAge = 0;
    bool m_refuseUnsteady = true;
    bool m_unattended = false;
    int m_emptyWeight = 200;
    int m_holdMs = 1000;
    int m_replyMs = 150;
    std::optional<QPoint> m_previewPosition;
    std::optional<QPoint> m_ipCameraPosition;
};
