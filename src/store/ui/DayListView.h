#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

class DayList;
class QLabel;
class QPlainTextEdit;
class QPushButton;
struct Settings;

// One page of a day list in a fixed-pitch box, under a line naming its
// columns, with the page button. A click on a line, or the Up and Down
// keys, choose that line's card.
class DayListView : public QWidget
{
    Q_OBJECT

public:
    explicit DayListView(const QString &accessibleName, QWidget *parent = nullptr);

    // Shows the last page of `list`, the caret on its last line and the box
    // at its left edge; the page button appears once there are two pages.
    // The list must outlive the view.
    void showList(const DayList &list);
    // The column names follow the parameter names.
    void setCaptions(const Settings &settings);
    void clear();
    QString text() const;
    int shownPage() const { return m_page; }
    QPushButton *pageButton() const { return m_pageButton; }
    QPlainTextEdit *textBox() const { return m_text; }
    // The column names above the box; they scroll sideways with it.
    QLabel *header() const { return m_header; }

    // The lines of the shown page marked as waiting for their second weighing.
    QList<int> markedLines() const;
    static QColor incompleteColour();

    // The page button: the page before, after page 0 the last.
    void showPreviousPage();

signals:
    // The operator chose the line of card `number`.
    void cardChosen(int number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPage(int page);
    void markIncomplete();
    // The caret to the start of its line.
    void alignCaret();
    void chooseLine();
    void setHeaderText(const QString &text);
    // The header's first column over the box's first column.
    void placeHeader();

    QWidget *m_headerStrip;
    QLabel *m_header;
    QPlainTextEdit *m_text;
    QPushButton *m_pageButton;
    const DayList *m_list = nullptr;
    QString m_pageText;
    int m_page = 0;
};
