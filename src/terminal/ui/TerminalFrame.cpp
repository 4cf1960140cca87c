#include "TerminalFrame.h"

#include "RawFrameWindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

TerminalFrame::TerminalFrame(AppContext &context, TerminalLink &link, QWidget *parent)
    : QGroupBox(u"Тип терминала"_s, parent)
    , m_model(context, link)
    , m_link(link)
    , m_list(new QComboBox(this))
    , m_zero(new QPushButton(u">0<"_s, this))
    , m_zeroLabel(new QLabel(u"Обнулить весы"_s, this))
    , m_valueLabel(new QLabel(this))
    , m_value(new QLineEdit(this))
    , m_save(new QPushButton(u"Сохранить"_s, this))
{
    m_list->addItems(TerminalFrameModel::typeNames());
    m_list->setAccessibleName(title());
    m_zero->setAccessibleName(m_zero->text());
    m_zero->setAccessibleDescription(m_zeroLabel->text());
    m_zeroLabel->setBuddy(m_zero);
    m_valueLabel->setBuddy(m_value);
    m_save->setAccessibleName(m_save->text());
    auto *raw = new QPushButton(u"Данные терминала"_s, this);
    raw->setAccessibleName(raw->text());
    raw->setToolTip(u"Последние принятые байты и то, что из них прочитано"_s);

    connect(m_list, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_model.select(index);
        sync();
    });
    connect(m_zero, &QPushButton::clicked, this, [this] { m_model.sendZero(); });
    connect(m_save, &QPushButton::clicked, this, [this] {
        m_model.saveValue(m_value->text());
        m_value->setText(m_model.valueText());
    });
    connect(raw, &QPushButton::clicked, this, &TerminalFrame::showRawFrames);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_list, 0, 0, 1, 3);
    grid->addWidget(m_zero, 1, 0);
    grid->addWidget(m_zeroLabel, 1, 1, 1, 2);
    grid->addWidget(m_valueLabel, 2, 0);
    grid->addWidget(m_value, 2, 1);
    grid->addWidget(m_save, 2, 2);
    grid->addWidget(raw, 3, 0, 1, 3);
    load();
}

void TerminalFrame::load()
{
    m_model.load();
    const QSignalBlocker blocker(m_list);
    m_list->setCurrentIndex(m_model.selectedIndex());
    m_value->setText(m_model.valueText());
    sync();
}

void TerminalFrame::applySelection()
{
    m_model.applySelection();
}

void TerminalFrame::showRawFrames()
{
    if (!m_rawWindow)
        m_rawWindow = new RawFrameWindow(m_link, this);
    m_rawWindow->show();
    m_rawWindow->raise();
    m_rawWindow->activateWindow();
}

void TerminalFrame::sync()
{
    const bool extras = m_model.extrasVisible();
    for (QWidget *w : {static_cast<QWidget *>(m_zero), static_cast<QWidget *>(m_zeroLabel),
                       static_cast<QWidget *>(m_valueLabel), static_cast<QWidget *>(m_value),
                       static_cast<QWidget *>(m_save)})
        w->setVisible(extras);
    m_valueLabel->setText(m_model.valueLabel());
    m_value->setAccessibleName(m_model.valueLabel());
    const bool editable = m_model.valueEditable();
    m_value->setEnabled(editable);
    m_save->setEnabled(editable);
    const QString hint = editable ? QString()
                                  : u"Значение задаётся для сохранённого типа: выберите тип, "
                                    "выйдите кнопкой «Выход» и откройте окно снова"_s;
    m_value->setToolTip(hint);
    m_save->setToolTip(hint);
}
