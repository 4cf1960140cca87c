#pragma once

#include <QWidget>

#include <array>

class EditModesModel;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "Настройка режимов правки данных": the six edit permissions and the code
// of card correction. The boxes are read from the settings whenever the
// window is shown or activated.
class EditModesWindow : public QWidget
{
    Q_OBJECT

public:
    explicit EditModesWindow(EditModesModel &model, QWidget *parent = nullptr);

    QCheckBox *permissionBox(int i) const { return m_boxes[size_t(i)]; }
    QLineEdit *newCodeField() const { return m_newCode; }
    QLineEdit *repeatCodeField() const { return m_repeatCode; }
    QPushButton *changeCodeButton() const { return m_changeCode; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *exitButton() const { return m_exit; }
    QString lastMessage() const { return m_lastMessage; }

signals:
    // The window went away: the main window comes back to the front.
    void mainWindowWanted();

protected:
    bool event(QEvent *event) override;

private:
    void sync();

    EditModesModel &m_model;
    std::array<QCheckBox *, 6> m_boxes{};
    QLineEdit *m_newCode;
    QLineEdit *m_repeatCode;
    QPushButton *m_changeCode;
    QPushButton *m_save;
    QPushButton *m_exit;
    QString m_lastMessage;
    // The window's own message box does not count as leaving it.
    bool m_inMessage = false;
};
