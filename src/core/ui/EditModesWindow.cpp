#include "EditModesWindow.h"

#include "ProgramIcon.h"
#include "core/EditModesModel.h"
#include "core/SettingsFile.h"

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

EditModesWindow::EditModesWindow(EditModesModel &model, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_model(model)
    , m_newCode(new QLineEdit(this))
    , m_repeatCode(new QLineEdit(this))
    , m_changeCode(new QPushButton(u"Изменить пароль"_s, this))
    , m_save(new QPushButton(u"Сохранить и выйти"_s, this))
    , m_exit(new QPushButton(u"Выйти"_s, this))
{
    setWindowTitle(EditModesModel::title());
    setWindowIcon(programIcon());

    auto *layout = new QVBoxLayout(this);
    for (int i = 0; i < EditModesModel::PermissionCount; ++i) {
        auto *box = new QCheckBox(EditModesModel::permissionCaption(i), this);
        box->setAccessibleName(box->text());
        m_boxes[size_t(i)] = box;
        layout->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) { m_model.setPermission(i, on); });
    }

    // Shown as typed: only the engineer reaches this window.
    const QString codeTitle = u"Код доступа для правки:"_s;
    auto *code = new QGroupBox(codeTitle, this);
    code->setAccessibleName(codeTitle);
    auto *form = new QFormLayout(code);
    m_newCode->setAccessibleName(u"Новый код:"_s);
    m_repeatCode->setAccessibleName(u"Повторить новый код:"_s);
    for (QLineEdit *field : {m_newCode, m_repeatCode}) {
        field->setMaxLength(SettingsLayout::kTextMax);
        form->addRow(field->accessibleName(), field);
    }
    form->addRow(QString(), m_changeCode);
    layout->addWidget(code);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_save);
    buttons->addStretch();
    buttons->addWidget(m_exit);
    layout->addLayout(buttons);
    for (QPushButton *b : {m_changeCode, m_save, m_exit})
        b->setAccessibleName(b->text());

    connect(m_newCode, &QLineEdit::textEdited, &m_model, &EditModesModel::setNewCode);
    connect(m_repeatCode, &QLineEdit::textEdited, &m_model, &EditModesModel::setRepeatCode);
    connect(m_changeCode, &QPushButton::clicked, this, [this] {
        m_lastMessage = m_model.ChangeEditCode();
        m_inMessage = true;
        QMessageBox::information(this, windowTitle(), m_lastMessage);
        m_inMessage = false;
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        m_model.SavePermissions();
        hide();
        emit mainWindowWanted();
    });
    // The boxes are not taken over.
    connect(m_exit, &QPushButton::clicked, this, [this] {
        hide();
        emit mainWindowWanted();
    });
    connect(&m_model, &EditModesModel::fieldsChanged, this, &EditModesWindow::sync);
    m_model.activate();
}

bool EditModesWindow::event(QEvent *event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) && !m_inMessage)
        m_model.activate();
    return QWidget::event(event);
}

void EditModesWindow::sync()
{
    for (int i = 0; i < EditModesModel::PermissionCount; ++i)
        if (m_boxes[size_t(i)]->isChecked() != m_model.permission(i))
            m_boxes[size_t(i)]->setChecked(m_model.permission(i));
    if (m_newCode->text() != m_model.newCode())
        m_newCode->setText(m_model.newCode());
    if (m_repeatCode->text() != m_model.repeatCode())
        m_repeatCode->setText(m_model.repeatCode());
}
