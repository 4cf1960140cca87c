#pragma once

#include "archive/CardSearch.h"

#include <QTableWidget>

struct Settings;

// Found cards, one row each: date, time, №, vehicle, cargo, gross, tare,
// net, status. A double click or Enter on a row chooses its card.
class CardHitTable : public QTableWidget
{
    Q_OBJECT

public:
    // At most this many rows are shown; the window says when more were found.
    static constexpr int MaxRows = 5000;

    explicit CardHitTable(const QString &accessibleName, QWidget *parent = nullptr);

    // The column names follow the parameter names.
    void setCaptions(const Settings &settings);
    void showCards(const QList<CardHit> &cards);
    // The card of row `row`; an invalid day for none.
    CardHit cardAt(int row) const;

signals:
    void cardChosen(const QDate &day, int number);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void chooseRow(int row);

    QList<CardHit> m_cards;
};
