#pragma once

#include <QWidget>
#include <array>

class ConstantsEditor;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Константы основного параметра": mirrors a ConstantsEditor and forwards
// the operator's typing and buttons to it.
class ConstantsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ConstantsWindow(ConstantsEditor &editor, QWidget *parent = nullptr);

    QGroupBox *constantsFrame() const { return m_constants; }
    QGroupBox *extrasFrame() const { return m_extras; }
    QLabel *constantLabel(int k) const { return m_constantLabels[size_t(k)]; }
    QLineEdit *constantName(int k) const { return m_constantNames[size_t(k)]; }
    QLineEdit *constantValue(int k) const { return m_constantValues[size_t(k)]; }
    QLabel *extraLabel(int k) const { return m_extraLabels[size_t(k - 1)]; }
    QLineEdit *extraName(int k) const { return m_extraNames[size_t(k - 1)]; }
    QLineEdit *extraValue(int k) const { return m_extraValues[size_t(k - 1)]; }
    QPushButton *listButton() const { return m_listButton; }
    QPushButton *closeButton() const { return m_close; }

private:
    void refresh();

    ConstantsEditor &m_editor;
    QGroupBox *m_constants;
    QGroupBox *m_extras;
    std::array<QLabel *, 25> m_constantLabels{};
    std::array<QLineEdit *, 25> m_constantNames{};
    std::array<QLineEdit *, 25> m_constantValues{};
    std::array<QLabel *, 10> m_extraLabels{};
    std::array<QLineEdit *, 10> m_extraNames{};
    std::array<QLineEdit *, 10> m_extraValues{};
    QPushButton *m_listButton;
    QPushButton *m_close;
};
