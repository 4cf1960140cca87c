#pragma once

#include <QWidget>

class DayList;
class QPlainTextEdit;
class QPushButton;

// One page of a day list in a fixed-pitch box, with the page button.
class DayListView : public QWidget
{
    Q_OBJECT

public:
    explicit DayListView(const QString &accessibleName, QWidget *parent = nullptr);

    // Shows the last page of `list`; the page button appears once there are two.
    void showList(const DayList &list);
    void clear();
    QString text() const;
    QPushButton *pageButton() const { return m_page; }
    QPlainTextEdit *textBox() const { return m_text; }

private:
    QPlainTextEdit *m_text;
    QPushButton *m_page;
};
