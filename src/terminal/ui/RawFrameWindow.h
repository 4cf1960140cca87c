#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class TerminalLink;

// For the service engineer: the last polls' bytes with control bytes
// named, and what the selected protocol made of them.
class RawFrameWindow : public QWidget
{
    Q_OBJECT

public:
    explicit RawFrameWindow(TerminalLink &link, QWidget *parent = nullptr);

    static QString title();

    QString shownText() const;
    // Rebuilds the view from the link's log unless it is held.
    void refresh();

protected:
    bool event(QEvent *event) override;

private:
    TerminalLink &m_link;
    QLabel *m_status;
    QPlainTextEdit *m_text;
    QCheckBox *m_hold;
};
