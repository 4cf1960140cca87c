#include "ConstantsWindow.h"

#include "store/ConstantsEditor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A row: its label, then the name and the value field.
void addRow(QGridLayout *grid, int row, QLabel *label, QLineEdit *name, QLineEdit *value)
{
    label->setBuddy(value);
    grid->addWidget(label, row, 0);
    grid->addWidget(name, row, 1);
    grid->addWidget(value, row, 2);
}

} // namespace

ConstantsWindow::ConstantsWindow(ConstantsEditor &editor, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_editor(editor)
    , m_constants(new QGroupBox(u"Константы основного параметра"_s))
    , m_extras(new QGroupBox(u"Дополнительные переменные основного параметра"_s))
    , m_listButton(new QPushButton)
    , m_close(new QPushButton(u"Закрыть"_s))
{
    setWindowTitle(u"Константы основного параметра"_s);
    setAccessibleName(windowTitle());
    m_constants->setAccessibleName(m_constants->title());
    m_extras->setAccessibleName(m_extras->title());
    m_close->setAccessibleName(m_close->text());

    auto *constants = new QWidget;
    auto *constantGrid = new QGridLayout(constants);
    for (int k = 0; k <= ConstantsEditor::Constants; ++k) {
        auto *label = new QLabel;
        auto *name = new QLineEdit;
        auto *value = new QLineEdit;
        m_constantLabels[size_t(k)] = label;
        m_constantNames[size_t(k)] = name;
        m_constantValues[size_t(k)] = value;
        addRow(constantGrid, k, label, name, value);
        connect(name, &QLineEdit::textEdited, this, [this, k](const QString &t) { m_editor.setConstantName(k, t); });
        connect(value, &QLineEdit::textEdited, this, [this, k](const QString &t) { m_editor.setConstantValue(k, t); });
    }
    auto *constantsArea = new QScrollArea;
    constantsArea->setWidget(constants);
    constantsArea->setWidgetResizable(true);
    (new QVBoxLayout(m_constants))->addWidget(constantsArea);

    auto *extraGrid = new QGridLayout(m_extras);
    for (int k = 1; k <= ConstantsEditor::Extras; ++k) {
        auto *label = new QLabel;
        auto *name = new QLineEdit;
        auto *value = new QLineEdit;
        m_extraLabels[size_t(k - 1)] = label;
        m_extraNames[size_t(k - 1)] = name;
        m_extraValues[size_t(k - 1)] = value;
        addRow(extraGrid, k - 1, label, name, value);
        connect(name, &QLineEdit::textEdited, this, [this, k](const QString &t) { m_editor.setExtraName(k, t); });
        connect(value, &QLineEdit::textEdited, this, [this, k](const QString &t) { m_editor.setExtraValue(k, t); });
    }
    extraGrid->setRowStretch(ConstantsEditor::Extras, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_listButton);
    buttons->addStretch();
    buttons->addWidget(m_close);

    auto *frames = new QHBoxLayout;
    frames->addWidget(m_constants, 1);
    frames->addWidget(m_extras, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(frames, 1);
    layout->addLayout(buttons);
    resize(1100, 640);

    connect(m_listButton, &QPushButton::clicked, &m_editor, &ConstantsEditor::pressListButton);
    connect(m_close, &QPushButton::clicked, &m_editor, &ConstantsEditor::CloseConstantsEditor);
    connect(&m_editor, &ConstantsEditor::changed, this, &ConstantsWindow::refresh);
    refresh();
}

void ConstantsWindow::refresh()
{
    const bool names = m_editor.namesEditable();
    for (int k = 0; k <= ConstantsEditor::Constants; ++k) {
        // Row 0 is the value itself.
        m_constantLabels[size_t(k)]->setText(k == 0 ? u"Значение"_s : m_editor.constantLabel(k));
        m_constantNames[size_t(k)]->setText(m_editor.constantName(k));
        m_constantValues[size_t(k)]->setText(m_editor.constantValue(k));
        m_constantNames[size_t(k)]->setAccessibleName(m_constantLabels[size_t(k)]->text() + u" имя"_s);
        m_constantValues[size_t(k)]->setAccessibleName(m_constantLabels[size_t(k)]->text());
        // Read-only, never disabled: the texts stay selectable.
        m_constantNames[size_t(k)]->setReadOnly(!names);
        m_constantValues[size_t(k)]->setReadOnly(!m_editor.constantValuesEditable());
    }
    for (int k = 1; k <= ConstantsEditor::Extras; ++k) {
        extraLabel(k)->setText(m_editor.extraLabel(k));
        extraName(k)->setText(m_editor.extraName(k));
        extraValue(k)->setText(m_editor.extraValue(k));
        extraName(k)->setAccessibleName(m_editor.extraLabel(k) + u" имя"_s);
        extraValue(k)->setAccessibleName(m_editor.extraLabel(k));
        extraName(k)->setReadOnly(!names);
        extraValue(k)->setReadOnly(false);
    }
    m_constants->setVisible(m_editor.framesVisible());
    m_extras->setVisible(m_editor.framesVisible());
    m_listButton->setText(m_editor.listButtonCaption());
    m_listButton->setAccessibleName(m_listButton->text());
    m_listButton->setVisible(m_editor.listButtonVisible());
    setVisible(m_editor.visible());
    if (isVisible()) {
        raise();
        activateWindow();
    }
}
