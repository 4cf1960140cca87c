#pragma once

#include <QGroupBox>

class ArchiveBrowser;
class CardFieldsView;
class DayListView;
class QCalendarWidget;
class QPushButton;
struct Settings;

// "Архивная карточка груза": a card of the day chosen in the calendar and
// that day's list. It mirrors an ArchiveBrowser and forwards to it.
class ArchiveFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit ArchiveFrame(QWidget *parent = nullptr);

    // Connects the controls to `browser`, which must outlive the frame.
    void attach(ArchiveBrowser &browser);
    // The two photo slots, under the buttons.
    void setPhotoSlots(QWidget *photoSlots);
    // The parameter names into the field captions and the list's columns.
    void setCaptions(const Settings &settings);

    CardFieldsView *fields() const { return m_fields; }
    DayListView *list() const { return m_list; }
    QCalendarWidget *calendar() const { return m_calendar; }
    QPushButton *dateButton() const { return m_date; }
    QPushButton *grossButton() const { return m_gross; }
    QPushButton *tareButton() const { return m_tare; }
    QPushButton *receiptButton() const { return m_receipt; }
    QPushButton *insertButton() const { return m_insert; }
    // "+": the card in the card window, read-only.
    QPushButton *editButton() const { return m_edit; }

private:
    void refresh();
    void chooseDate(const QDate &date);

    ArchiveBrowser *m_browser = nullptr;
    CardFieldsView *m_fields;
    DayListView *m_list;
    QCalendarWidget *m_calendar;
    QPushButton *m_date;
    QPushButton *m_gross;
    QPushButton *m_tare;
    QPushButton *m_receipt;
    QPushButton *m_insert;
    QPushButton *m_edit;
};
