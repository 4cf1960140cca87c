#pragma once

#include <QString>
#include <QList>
#include <QStringList>

#include <array>

struct CargoCard;
class DayCardSlot;

// The text list of a day's cards: one 101-character line per card that is
// not deleted, on pages of at most 64000 characters. At most 21 pages are
// kept; when a 22nd is needed the oldest page is dropped, so the list
// always shows the latest cards.
class DayList
{
public:
    static constexpr int MaxPages = 21;
    static constexpr qsizetype MaxPageChars = 64000;
    static constexpr qsizetype LineChars = 101;

    DayList() { clear(); }

    // Empties every page; page 0 becomes the last page.
    void clear();
    // Appends the card's line unless the card is deleted.
    void append(const CargoCard &card);
    // The same for a card in its day-file slot, reading only what the line
    // shows.
    void append(const DayCardSlot &slot);
    // The line of a card written again, rewritten where it stands. False
    // when the list must be read again: the card is deleted now, or its
    // line is not there.
    bool update(const CargoCard &card);

    int lastPage() const { return int(m_pages.size()) - 1; }
    int pageCount() const { return int(m_pages.size()); }
    QString page(int i) const { return i >= 0 && i < m_pages.size() ? m_pages[i] : QString(); }
    // The lines (from 0) of page i whose card waits for its second weighing.
    QList<int> incompleteLines(int i) const { return i >= 0 && i < m_incomplete.size() ? m_incomplete[i] : QList<int>(); }
    // Pages dropped from the front since the last clear.
    int droppedPages() const { return m_dropped; }

    static QString line(const CargoCard &card);
    // The names of the line's columns (from the 25 parameter names), each
    // where its column starts once the line's leading line break is off.
    static QString header(const std::array<QString, 25> &paramNames);

    // The start of the line that holds character `caret` of a page.
    static qsizetype lineStart(qsizetype caret) { return caret < 0 ? 0 : LineChars * (caret / LineChars); }
    // The № in the number field (characters 3..9) of the line at `caret`.
    static int numberAt(const QString &page, qsizetype caret);
    // The page before `shown`; before page 0 comes the last page.
    static int previousPage(int shown, int lastPage) { return shown > 0 ? shown - 1 : qMax(0, lastPage); }

private:
    struct Fields;
    static Fields fieldsOf(const CargoCard &card);
    static void writeLine(char16_t *out, const Fields &fields);
    void appendLine(const Fields &fields);

    QStringList m_pages;
    QList<QList<int>> m_incomplete;
    int m_dropped = 0;
};
