#pragma once

#include <QWidget>
#include <array>

class CardEditor;
class QLabel;
class QLineEdit;
class QPushButton;

// "Изменить параметры записи": mirrors a CardEditor and forwards the
// operator's typing and buttons to it.
class CardEditorWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CardEditorWindow(CardEditor &editor, QWidget *parent = nullptr);

    QLineEdit *field(int i) const { return m_fields[size_t(i)]; }
    QLabel *caption(int i) const { return m_captions[size_t(i)]; }
    QLineEdit *extraField(int j, int k) const { return m_extraFields[size_t(j)][size_t(k - 1)]; }
    QLabel *extraCaption(int j, int k) const { return m_extraCaptions[size_t(j)][size_t(k - 1)]; }
    QLineEdit *numberField() const { return m_number; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *replaceButton() const { return m_replace; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *exitButton() const { return m_exit; }

signals:
    // "Выход": the main window comes to the front.
    void left();

private:
    void refresh();
    void showMessage(const QString &text);

    CardEditor &m_editor;
    std::array<QLabel *, 25> m_captions{};
    std::array<QLineEdit *, 25> m_fields{};
    // Over each column: the text parameter it belongs to.
    std::array<QLabel *, 7> m_columnHeads{};
    std::array<std::array<QLabel *, 10>, 7> m_extraCaptions{};
    std::array<std::array<QLineEdit *, 10>, 7> m_extraFields{};
    QLabel *m_numberCaption;
    QLineEdit *m_number;
    QPushButton *m_ok;
    QPushButton *m_replace;
    QPushButton *m_delete;
    QPushButton *m_exit;
};
