#pragma once

#include <QWidget>

class DayList;
class QPlainTextEdit;
class QPushButton;

// One page of a day list in a fixed-pitch box, with the page button. A
// click on a line, or the Up and Down keys, choose that line's card.
class DayListView : public QWidget
{
    Q_OBJECT

public:
    explicit DayListView(const QString &accessibleName, QWidget *parent = nullptr);

    // Shows the last page of `list`, the caret at its end; the page button
    // appears once there are two pages. The list must outlive the view.
    void showList(const DayList &list);
    void clear();
    QString text() const;
    int shownPage() const { return m_page; }
    QPushButton *pageButton() const { return m_pageButton; }
    QPlainTextEdit *textBox() const { return m_text; }

    // The page button: the page before, after page 0 the last.
    void showPreviousPage();

signals:
    // The operator chose the line of card `number`.
    void cardChosen(int number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPage(int page);
    // The caret to the start of its line.
    void alignCaret();
    void chooseLine();

    QPlainTextEdit *m_text;
    QPushButton *m_pageButton;
    const DayList *m_list = nullptr;
    QString m_pageText;
    int m_page = 0;
};
