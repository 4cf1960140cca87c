#pragma once

#include <QGroupBox>

class CardFieldsView;
class Weighing;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

// `fields` in a scroll area that gives up height, never width: a card frame
// then fits a low screen and scrolls its lower fields into view.
QScrollArea *scrollableCardFields(CardFieldsView *fields, QWidget *parent);

// "Карточка груза": a card of today with its completion buttons, and
// today's day list beside it.
class CurrentCardFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit CurrentCardFrame(QWidget *parent = nullptr);

    // Shows the weighing's card and its buttons; "Бруто" and "Тара" complete it.
    void attach(Weighing &weighing);
    // The two photo slots, under the buttons.
    void setPhotoSlots(QWidget *photoSlots);
    CardFieldsView *fields() const { return m_fields; }
    QPushButton *grossButton() const { return m_gross; }
    QPushButton *tareButton() const { return m_tare; }
    QPushButton *receiptButton() const { return m_receipt; }
    QPushButton *insertButton() const { return m_insert; }
    // "+": the card in the card window, read-only.
    QPushButton *editButton() const { return m_edit; }

private:
    CardFieldsView *m_fields;
    QPushButton *m_gross;
    QPushButton *m_tare;
    QPushButton *m_receipt;
    QPushButton *m_insert;
    QPushButton *m_edit;
};
