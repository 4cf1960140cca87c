#include "CardEditorWindow.h"

#include "archive/CardEditor.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLineEdit *captionedField(QLabel *caption)
{
    auto *field = new QLineEdit;
    caption->setBuddy(field);
    return field;
}

QPushButton *button(const QString &text)
{
    auto *b = new QPushButton(text);
    b->setAccessibleName(text);
    return b;
}

} // namespace

CardEditorWindow::CardEditorWindow(CardEditor &editor, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_editor(editor)
    , m_numberCaption(new QLabel(u"Номер карточки"_s))
    , m_number(captionedField(m_numberCaption))
    , m_ok(button(u"OK"_s))
    , m_replace(button(u"Заменить параметры карточки"_s))
    , m_delete(button(u"Удалить карточку"_s))
    , m_exit(button(u"Выход"_s))
{
    setWindowTitle(u"Изменить параметры записи"_s);
    setAccessibleName(windowTitle());

    auto *main = new QGroupBox(u"Основные параметры"_s);
    main->setAccessibleName(main->title());
    // Captions and values both readable on a narrow screen; the additional
    // parameters scroll instead.
    main->setMinimumWidth(380);
    // 25 rows are taller than a 768-line screen: they scroll, the buttons stay.
    auto *mainRows = new QWidget;
    auto *mainGrid = new QGridLayout(mainRows);
    for (int i = 0; i < 25; ++i) {
        auto *caption = new QLabel;
        QLineEdit *field = captionedField(caption);
        m_captions[size_t(i)] = caption;
        m_fields[size_t(i)] = field;
        mainGrid->addWidget(caption, i, 0);
        mainGrid->addWidget(field, i, 1);
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString &t) { m_editor.setText(i, t); });
    }

    auto *mainArea = new QScrollArea;
    mainArea->setWidget(mainRows);
    mainArea->setWidgetResizable(true);
    mainArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    (new QVBoxLayout(main))->addWidget(mainArea);

    auto *extras = new QWidget;
    auto *extraGrid = new QGridLayout(extras);
    for (int j = 0; j < CardEditor::Columns; ++j) {
        auto *head = new QLabel;
        QFont bold = head->font();
        bold.setBold(true);
        head->setFont(bold);
        m_columnHeads[size_t(j)] = head;
        extraGrid->addWidget(head, 0, j);
        for (int k = 1; k <= CardEditor::Rows; ++k) {
            auto *caption = new QLabel;
            QLineEdit *field = captionedField(caption);
            field->setMinimumWidth(120);
            m_extraCaptions[size_t(j)][size_t(k - 1)] = caption;
            m_extraFields[size_t(j)][size_t(k - 1)] = field;
            extraGrid->addWidget(caption, 2 * k - 1, j);
            extraGrid->addWidget(field, 2 * k, j);
            connect(field, &QLineEdit::textEdited, this,
                    [this, j, k](const QString &t) { m_editor.setExtraText(j, k, t); });
        }
    }
    auto *extrasArea = new QScrollArea;
    extrasArea->setWidget(extras);
    extrasArea->setWidgetResizable(true);
    auto *extrasBox = new QGroupBox(u"Дополнительные параметры"_s);
    extrasBox->setAccessibleName(extrasBox->title());
    (new QVBoxLayout(extrasBox))->addWidget(extrasArea);

    auto *fields = new QHBoxLayout;
    fields->addWidget(main, 2);
    fields->addWidget(extrasBox, 5);

    m_number->setAccessibleName(m_numberCaption->text());
    m_number->setMaximumWidth(100);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_numberCaption);
    buttons->addWidget(m_number);
    buttons->addWidget(m_ok);
    buttons->addSpacing(24);
    buttons->addWidget(m_replace);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    buttons->addWidget(m_exit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(qMin(1280, screen.width()), qMin(760, screen.height() - 40));

    connect(m_number, &QLineEdit::textEdited, &m_editor, &CardEditor::setCardNumberText);
    connect(m_number, &QLineEdit::returnPressed, &m_editor, &CardEditor::SelectCardForEdit);
    connect(m_ok, &QPushButton::clicked, &m_editor, &CardEditor::SelectCardForEdit);
    connect(m_replace, &QPushButton::clicked, &m_editor, &CardEditor::ReplaceCardParameters);
    connect(m_delete, &QPushButton::clicked, &m_editor, &CardEditor::DeleteCard);
    connect(m_exit, &QPushButton::clicked, this, [this] {
        hide();
        emit left();
    });
    connect(&m_editor, &CardEditor::changed, this, &CardEditorWindow::refresh);
    connect(&m_editor, &CardEditor::message, this, &CardEditorWindow::showMessage);
    refresh();
}

void CardEditorWindow::refresh()
{
    setWindowTitle(m_editor.title());
    const bool correction = m_editor.correctionControlsVisible();
    for (QWidget *w : {static_cast<QWidget *>(m_numberCaption), static_cast<QWidget *>(m_number),
                       static_cast<QWidget *>(m_ok), static_cast<QWidget *>(m_replace),
                       static_cast<QWidget *>(m_delete)})
        w->setVisible(correction);
    m_number->setText(m_editor.cardNumberText());
    // Read-only, never disabled: the texts stay selectable.
    for (int i = 0; i < 25; ++i) {
        m_captions[size_t(i)]->setText(m_editor.caption(i));
        m_fields[size_t(i)]->setAccessibleName(m_editor.caption(i));
        m_fields[size_t(i)]->setText(m_editor.text(i));
        m_fields[size_t(i)]->setCursorPosition(0);
        m_fields[size_t(i)]->setReadOnly(!m_editor.fieldEditable(i));
        // What cannot be typed over looks so, not only refuses the keys.
        QPalette look = palette();
        if (m_fields[size_t(i)]->isReadOnly())
            look.setColor(QPalette::Base, look.color(QPalette::Window));
        m_fields[size_t(i)]->setPalette(look);
    }
    for (int j = 0; j < CardEditor::Columns; ++j) {
        m_columnHeads[size_t(j)]->setText(m_editor.caption(j));
        for (int k = 1; k <= CardEditor::Rows; ++k) {
            QLineEdit *field = extraField(j, k);
            const QString caption = m_editor.extraCaption(j, k);
            extraCaption(j, k)->setText(caption);
            field->setAccessibleName(caption);
            field->setText(m_editor.extraText(j, k));
            field->setCursorPosition(0);
            field->setReadOnly(!m_editor.extrasEditable());
        }
    }
}

void CardEditorWindow::showMessage(const QString &text)
{
    // Not exec(): the scale goes on being read while the message is up.
    auto *box = new QMessageBox(QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
