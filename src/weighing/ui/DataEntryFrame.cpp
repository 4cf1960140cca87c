#include "DataEntryFrame.h"

#include "core/Settings.h"
#include "core/ui/AccessibleNames.h"
#include "card/CargoCard.h"
#include "weighing/Weighing.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

DataEntryFrame::DataEntryFrame(QWidget *parent)
    : QGroupBox(u"Ввод данных для взвешивания"_s, parent)
    , m_typeCaption(new QLabel(this))
    , m_type(new QComboBox(this))
    , m_litterCaption(new QLabel(this))
    , m_litter(new QLineEdit(this))
    , m_store(new QPushButton(u"Записать"_s, this))
{
    installCaptionedComboBoxes();
    setAccessibleName(title());
    auto *grid = new QGridLayout(this);
    for (int i = 0; i < CardTextCount; ++i) {
        auto *caption = new QLabel(this);
        auto *box = new QComboBox(this);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        caption->setBuddy(box);
        auto *plus = new QPushButton(u"+"_s, this);
        plus->setFixedWidth(28);
        m_captions[size_t(i)] = caption;
        m_boxes[size_t(i)] = box;
        m_plus[size_t(i)] = plus;
        grid->addWidget(caption, i, 0);
        grid->addWidget(box, i, 1, 1, 3);
        grid->addWidget(plus, i, 4);
    }
    for (const QString &type : OperationTypes::all())
        m_type->addItem(type);
    m_typeCaption->setBuddy(m_type);
    m_litterCaption->setBuddy(m_litter);
    grid->addWidget(m_typeCaption, CardTextCount, 0);
    grid->addWidget(m_type, CardTextCount, 1);
    grid->addWidget(m_litterCaption, CardTextCount, 2);
    grid->addWidget(m_litter, CardTextCount, 3);
    m_store->setAccessibleName(m_store->text());
    m_store->setMinimumHeight(40);
    QFont big = m_store->font();
    big.setPointSize(big.pointSize() + 3);
    big.setBold(true);
    m_store->setFont(big);
    grid->addWidget(m_store, CardTextCount + 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(CardTextCount + 2, 1);

    // Named from the start; the load puts in the configured names.
    Settings defaults;
    defaults.ParamNames = defaultParamNames(u"кг"_s);
    setCaptions(defaults);
}

void DataEntryFrame::setCaptions(const Settings &settings)
{
    for (int i = 0; i < CardTextCount; ++i) {
        m_captions[size_t(i)]->setText(MainParamName(settings, i));
        setComboBoxCaption(m_boxes[size_t(i)], MainParamName(settings, i));
        m_plus[size_t(i)]->setAccessibleName(u"+ "_s + MainParamName(settings, i));
    }
    m_typeCaption->setText(MainParamName(settings, OperationType));
    setComboBoxCaption(m_type, MainParamName(settings, OperationType));
    m_litterCaption->setText(MainParamName(settings, LitterPercent));
    m_litter->setAccessibleName(MainParamName(settings, LitterPercent));
}

void DataEntryFrame::setPickList(int i, const QStringList &values)
{
    QComboBox *box = m_boxes[size_t(i)];
    const QString typed = box->currentText();
    // Filling the list changes no text: the first item must not become the
    // box's text, nor the typed text's additional values be dropped.
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(values);
    box->setCurrentIndex(-1);
    box->setEditText(typed);
}

void DataEntryFrame::attach(Weighing &weighing)
{
    for (int i = 0; i < CardTextCount; ++i)
        connect(m_boxes[size_t(i)], &QComboBox::editTextChanged, &weighing,
                [&weighing, i](const QString &text) { weighing.setEntryText(i, text); });
    connect(m_type, &QComboBox::textActivated, &weighing, &Weighing::selectOperationType);
    connect(m_litter, &QLineEdit::textChanged, &weighing, &Weighing::setEntryLitterText);
    connect(m_store, &QPushButton::clicked, &weighing, &Weighing::StoreNewCard);
    connect(&weighing, &Weighing::changed, this, [this, &weighing] {
        if (m_type->currentText() != weighing.operationType())
            m_type->setCurrentText(weighing.operationType());
    });
}
