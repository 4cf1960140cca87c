#include "DataEntryFrame.h"

#include "core/Settings.h"
#include "core/ui/AccessibleNames.h"
#include "card/CargoCard.h"
#include "weighing/Weighing.h"

#include <QComboBox>
#include <QAbstractItemView>
#include <QCompleter>
#include <QGridLayout>
#include <QKeyEvent>
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
    , m_storedTare(new QLabel(this))
    , m_storeStored(new QPushButton(u"Брутто − сохранённая тара"_s, this))
{
    installCaptionedComboBoxes();
    setAccessibleName(title());
    auto *grid = new QGridLayout(this);
    for (int i = 0; i < CardTextCount; ++i) {
        auto *caption = new QLabel(this);
        auto *box = new QComboBox(this);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        // Completes from any part of a value, whatever its case.
        box->completer()->setCompletionMode(QCompleter::PopupCompletion);
        box->completer()->setFilterMode(Qt::MatchContains);
        box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        caption->setBuddy(box);
        auto *plus = new QPushButton(u"+"_s, this);
        plus->setFixedWidth(28);
        // Out of the Tab chain: Shift+Tab from its box or Ctrl++ reaches it.
        plus->setFocusPolicy(Qt::ClickFocus);
        plus->setToolTip(u"Ctrl++"_s);
        box->installEventFilter(this);
        box->lineEdit()->installEventFilter(this);
        // Ahead of the completer's own filter, which would swallow Enter.
        box->completer()->popup()->installEventFilter(this);
        plus->installEventFilter(this);
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
    m_storedTare->setAccessibleName(u"Сохранённая тара"_s);
    m_storeStored->setAccessibleName(m_storeStored->text());
    m_storeStored->setToolTip(u"F6"_s);
    m_storeStored->setFocusPolicy(Qt::ClickFocus);
    grid->addWidget(m_storedTare, CardTextCount + 2, 0, 1, 2);
    grid->addWidget(m_storeStored, CardTextCount + 2, 3);
    m_storedTare->hide();
    m_storeStored->hide();
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(CardTextCount + 3, 1);

    m_store->setToolTip(u"F2"_s);
    m_litter->installEventFilter(this);
    m_type->installEventFilter(this);
    m_store->installEventFilter(this);
    QWidget *previous = m_boxes[0];
    for (QWidget *next : {static_cast<QWidget *>(m_boxes[1]), static_cast<QWidget *>(m_boxes[2]),
                          static_cast<QWidget *>(m_boxes[3]), static_cast<QWidget *>(m_boxes[4]),
                          static_cast<QWidget *>(m_boxes[5]), static_cast<QWidget *>(m_boxes[6]),
                          static_cast<QWidget *>(m_type), static_cast<QWidget *>(m_litter),
                          static_cast<QWidget *>(m_store)}) {
        setTabOrder(previous, next);
        previous = next;
    }

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

void DataEntryFrame::focusFirstBox()
{
    m_boxes[0]->setFocus(Qt::OtherFocusReason);
    m_boxes[0]->lineEdit()->selectAll();
}

void DataEntryFrame::clearEntries()
{
    for (QComboBox *box : m_boxes) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
    m_litter->clear();
}

void DataEntryFrame::store()
{
    if (m_store->isVisible() && m_store->isEnabled())
        m_store->click();
}

int DataEntryFrame::boxIndex(const QObject *watched) const
{
    for (int i = 0; i < CardTextCount; ++i)
        if (watched == m_boxes[size_t(i)] || watched == m_boxes[size_t(i)]->lineEdit())
            return i;
    return -1;
}

bool DataEntryFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QGroupBox::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // Enter in an open suggestion list takes the value marked (or keeps the
    // one typed) and moves on, as Enter in the box does.
    for (int i = 0; enter && i < CardTextCount; ++i) {
        QCompleter *completer = m_boxes[size_t(i)]->completer();
        if (watched != completer->popup())
            continue;
        if (const QModelIndex marked = completer->popup()->currentIndex(); marked.isValid())
            m_boxes[size_t(i)]->setEditText(marked.data(completer->completionRole()).toString());
        completer->popup()->hide();
        focusAfter(i);
        return true;
    }
    const int box = boxIndex(watched);
    if (box >= 0) {
        if (key->key() == Qt::Key_Backtab) {
            m_plus[size_t(box)]->setFocus(Qt::BacktabFocusReason);
            return true;
        }
        const bool plusKey = key->key() == Qt::Key_Plus || key->key() == Qt::Key_Equal;
        if (plusKey && (key->modifiers() & Qt::ControlModifier)) {
            m_plus[size_t(box)]->click();
            return true;
        }
        if (enter) {
            focusAfter(box);
            return true;
        }
    }
    for (int i = 0; i < CardTextCount; ++i) {
        if (watched != m_plus[size_t(i)])
            continue;
        if (key->key() == Qt::Key_Backtab && i > 0) {
            m_boxes[size_t(i - 1)]->setFocus(Qt::BacktabFocusReason);
            return true;
        }
        if (key->key() == Qt::Key_Tab) {
            m_boxes[size_t(i)]->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (enter) {
            m_plus[size_t(i)]->click();
            return true;
        }
    }
    // In screen order: the type, then the litter, then the store.
    if (enter && watched == m_type) {
        m_litter->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (enter && (watched == m_litter || watched == m_store)) {
        store();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

void DataEntryFrame::focusAfter(int box)
{
    if (box + 1 < CardTextCount)
        m_boxes[size_t(box + 1)]->setFocus(Qt::TabFocusReason);
    else
        m_type->setFocus(Qt::TabFocusReason);
}

void DataEntryFrame::attach(Weighing &weighing)
{
    for (int i = 0; i < CardTextCount; ++i)
        connect(m_boxes[size_t(i)], &QComboBox::editTextChanged, &weighing,
                [&weighing, i](const QString &text) { weighing.setEntryText(i, text); });
    connect(m_type, &QComboBox::textActivated, &weighing, &Weighing::selectOperationType);
    connect(m_litter, &QLineEdit::textChanged, &weighing, &Weighing::setEntryLitterText);
    connect(m_store, &QPushButton::clicked, &weighing, &Weighing::storeFromEntry);
    connect(&weighing, &Weighing::entryCleared, this, [this] {
        clearEntries();
        if (isVisible())
            focusFirstBox();
    });
    connect(&weighing, &Weighing::entryFilled, this, [this, &weighing] {
        for (int i = 0; i < CardTextCount; ++i)
            if (m_boxes[size_t(i)]->currentText() != weighing.entryText(i))
                m_boxes[size_t(i)]->setEditText(weighing.entryText(i));
    });
    connect(m_storeStored, &QPushButton::clicked, &weighing, &Weighing::storeWithStoredTare);
    connect(&weighing, &Weighing::changed, this, [this, &weighing] {
        if (m_type->currentText() != weighing.operationType())
            m_type->setCurrentText(weighing.operationType());
        // Offered only where "Записать" is: not in automatic mode.
        const bool offered = weighing.offeredTare().has_value() && !m_store->isHidden();
        m_storedTare->setText(weighing.offeredTareText());
        m_storedTare->setVisible(offered);
        m_storeStored->setVisible(offered);
    });
}
