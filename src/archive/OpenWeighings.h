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
    // The cards the filter lets through, as the search matches them (a
    // plate on either layout).
    void setFilter(const QString &text);
    QString filter() const { return m_filter; }
    const QList<CardHit> &cards() const { return m_shown; }
    // The row of the vehicle on the scale: the first card shown whose plate
    // is `plate`; -1 for none.
    int rowOf(const QString &plate) const;
    // Every open card, whatever the filter.
    int count() const { return int(m_cards.size()); }
    // The status line's text.
    QString countText() const;

signals:
    void changed();

private:
    AppContext &m_context;
    void applyFilter();

    QList<CardHit> m_cards;
    QList<CardHit> m_shown;
    QString m_filter;
};
