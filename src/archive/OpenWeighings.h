#pragma once

#include "CardSearch.h"

#include <QObject>

class AppContext;

// "Открытые взвешивания": the incomplete cards of the last days, the
// vehicles still on site. The few files are read on the spot, after every
// store and completion.
class OpenWeighings : public QObject
{
    Q_OBJECT

public:
    explicit OpenWeighings(AppContext &context, QObject *parent = nullptr);

    // Reads the days again: the workplace settings name how many.
    void refresh();
    const QList<CardHit> &cards() const { return m_cards; }
    int count() const { return int(m_cards.size()); }
    // The status line's text.
    QString countText() const;

signals:
    void changed();

private:
    AppContext &m_context;
    QList<CardHit> m_cards;
};
