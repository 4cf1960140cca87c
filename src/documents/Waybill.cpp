#include "Waybill.h"

#include "core/Formats.h"
#include "core/Numbers.h"
#include "platform/PrintSurface.h"

#include <QStringList>

#include <cmath>
#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

// A pair of columns: where each value starts and where its rule runs.
struct Columns
{
    double left, leftRuleFrom, leftRuleTo;
    double right, rightRuleFrom, rightRuleTo;
    double divider;
};

constexpr Columns Standard{0.062, 0.062, 0.467, 0.51, 0.51, 0.93, 0.49};
constexpr Columns Charges{0.062, 0.062, 0.405, 0.438, 0.438, 0.93, 0.419};

// One side of one copy. Horizontal positions are fractions of the page
// width, so the form keeps its boxes on any paper the printer reports.
class WaybillSide
{
public:
    WaybillSide(PrintSurface &surface, double width) : s(surface), m_width(width) {}

    bool ok() const { return m_ok; }

    double x(double f) const { return std::trunc(f * m_width); }
    double ruleX(double f) const { return std::round(f * m_width); }

    void start(bool front)
    {
        s.setPageProperty(10);
        s.setFontName(u"Ms Sans Serif"_s);
        s.setFontSize(6);
        s.setFontBold(false);
        s.setFontItalic(false);
        if (front)
            s.setOrientation(PrintSurface::Orientation::Portrait);
    }

    // A dry run only moves down as printing would, to measure the side.
    void setDryRun(bool dry) { m_dry = dry; }
    double blankHeight() const { return m_blankHeight; }
    // Blank lines are shortened by this factor when a side would not fit its page.
    void setBlankScale(double scale) { m_blankScale = scale; }

    // A text at `f` that goes on below, broken between words, where it
    // would pass `end`: its column's end, or the page's edge.
    void at(double f, const QString &text, double end = 1)
    {
        for (const QString &line : s.fittedLines(text, (end < 1 ? x(end) : m_width) - x(f))) {
            if (m_dry) {
                s.setCurrentY(s.currentY() + s.lineHeight());
                continue;
            }
            s.setCurrentX(x(f));
            m_ok = s.print({line}) && m_ok;
        }
    }
    // Two items on one line, each within its column: the line is left below
    // the lower of them.
    void twoAt(double f1, const QString &first, double f2, const QString &second, double end1 = 1, double end2 = 1)
    {
        const double y = s.currentY();
        at(f1, first, end1);
        const double below = s.currentY();
        s.setCurrentY(y);
        at(f2, second, end2);
        s.setCurrentY(qMax(below, s.currentY()));
    }
    void blank(int lines = 1)
    {
        m_pendingBlank = 0;
        for (int i = 0; i < lines; ++i) {
            m_blankHeight += s.lineHeight();
            s.setCurrentX(0);
            s.setCurrentY(s.currentY() + s.lineHeight() * m_blankScale);
        }
    }
    void rule(double from, double to)
    {
        const double y = s.currentY();
        if (m_dry)
            return;
        s.setLineWidth(2);
        m_ok = s.drawLine(ruleX(from), y, ruleX(to), y) && m_ok;
        s.setLineWidth(1);
    }
    void thinLine(double x1, double y1, double x2, double y2)
    {
        if (m_dry)
            return;
        s.setLineWidth(1);
        m_ok = s.drawLine(x1, y1, x2, y2) && m_ok;
    }

    // The blank line after a caption separates it from the next field; the
    // last caption of a section is followed by the next title directly.
    void captionEnd(double size) { m_pendingBlank = size; }
    void fieldStart()
    {
        if (m_pendingBlank > 0) {
            s.setFontSize(m_pendingBlank);
            blank();
        }
        m_pendingBlank = 0;
    }
    void sectionEnd() { m_pendingBlank = 0; }

    void title(double f, const QString &text, int blanksAfter)
    {
        sectionEnd();
        s.setFontSize(8);
        s.setFontBold(true);
        at(f, text);
        s.setFontBold(false);
        blank(blanksAfter);
    }
    void twoTitles(const QString &left, const QString &right)
    {
        sectionEnd();
        s.setFontSize(8);
        s.setFontBold(true);
        twoAt(0.2, left, 0.652, right);
        s.setFontBold(false);
    }

    // Value in italic, its rule, the caption below.
    void field(const QString &value, std::initializer_list<QString> caption)
    {
        fieldStart();
        s.setFontSize(8);
        s.setFontItalic(true);
        at(0.06, value);
        s.setFontItalic(false);
        rule(0.048, 0.943);
        s.setFontSize(6);
        for (const QString &line : caption)
            at(0.06, line);
        captionEnd(8);
    }

    // Two fields side by side in the small value font. A right column
    // without value and caption has no rule either.
    void pair(const Columns &c, const QStringList &left, const QStringList &right, const QStringList &leftCaption,
              const QStringList &rightCaption)
    {
        fieldStart();
        s.setFontSize(6);
        s.setFontItalic(true);
        const qsizetype values = qMax(left.size(), right.size());
        for (qsizetype i = 0; i < values; ++i)
            twoAt(c.left, left.value(i), c.right, right.value(i), c.leftRuleTo, c.rightRuleTo);
        s.setFontItalic(false);
        rule(c.leftRuleFrom, c.leftRuleTo);
        if (!rightCaption.isEmpty() || !right.join(QString()).isEmpty())
            rule(c.rightRuleFrom, c.rightRuleTo);
        const qsizetype captions = qMax(leftCaption.size(), rightCaption.size());
        for (qsizetype i = 0; i < captions; ++i)
            twoAt(c.left, leftCaption.value(i), c.right, rightCaption.value(i), c.leftRuleTo, c.rightRuleTo);
        captionEnd(6);
    }

    void divider(double f, double fromY)
    {
        sectionEnd();
        // A block that ran onto a new page is divided from the page's top.
        const double y = s.currentY();
        thinLine(ruleX(f), y < fromY ? 0 : fromY, ruleX(f), y);
    }

    PrintSurface &s;

private:
    double m_width;
    bool m_ok = true;
    double m_pendingBlank = 0;
    bool m_dry = false;
    double m_blankHeight = 0;
    double m_blankScale = 1;
};

QStringList wrapped(const QString &first, const QString &second)
{
    const auto a = WaybillWrap(first);
    const auto b = WaybillWrap(second);
    return {a[0], a[1], b[0], b[1]};
}

// A whole number as the form prints it: a leading blank for the sign.
QString numberText(int n)
{
    return n < 0 ? QString::number(n) : u' ' + QString::number(n);
}

class WaybillForm
{
public:
    explicit WaybillForm(const WaybillValues &values) : v(values) {}

    QString dp(int i, int j) const { return v.extras[size_t(i)][size_t(j)].trimmed(); }
    QString dk(int i, int k) const { return v.constants[size_t(i)][size_t(k)].trimmed(); }
    QString box(int i) const { return v.boxes[size_t(i)].trimmed(); }
    static QString either(const QString &set, const QString &own) { return set.isEmpty() ? own : set; }

    // Sender (2) or receiver (3): the organisation from its list entry; a
    // party named nowhere else is the card's own box.
    QString partyName(int i) const { return dp(i, 10).isEmpty() ? either(dk(i, 2), box(i)) : dk(i, 2); }
    // The weights of the invoice, or those the scale gave the card.
    QString netText() const { return either(dp(0, 3), weightText(v.net)); }
    QString grossText() const { return either(dp(0, 4), weightText(v.gross)); }
    bool weighedHere() const
    {
        return (dp(0, 3).isEmpty() && !v.net.isEmpty()) || (dp(0, 4).isEmpty() && !v.gross.isEmpty());
    }

    void front(WaybillSide &p, int copy) const;
    void reverse(WaybillSide &p) const;

private:
    QString weightText(const QString &weight) const
    {
        return weight.isEmpty() || v.weightUnit.trimmed().isEmpty() ? weight : weight + u' ' + v.weightUnit.trimmed();
    }

    const WaybillValues &v;
};

void WaybillForm::front(WaybillSide &p, int copy) const
{
    PrintSurface &s = p.s;
    p.start(true);
    for (const QString &line :
         {u"Приложение №4"_s, u"к Правилам перевозок грузов"_s, u"автомобильным транспортом"_s, u"Форма"_s})
        p.at(0.762, line);
    s.setFontSize(10);
    p.at(0.33, u"ТРАНСПОРТНАЯ НАКЛАДНАЯ"_s);
    s.setFontSize(8);
    p.at(0.652, u"Заказ(заявка)"_s);

    const double copyY = s.currentY();
    p.at(0.048, u"Экземпляр №  "_s + numberText(copy));
    s.setCurrentY(copyY);
    p.at(0.5, u"Дата "_s + dp(1, 1));
    s.setCurrentY(copyY);
    p.at(0.74, u" № "_s + dp(1, 2));
    p.blank();
    p.rule(0.048, 0.943);

    // 1 and 2: sender on the left, receiver on the right.
    p.twoTitles(u"1.Грузоотправитель"_s, u"2.Грузополучатель"_s);
    double top = s.currentY();
    const QStringList person = {u"(фамилия, имя, отчество, адрес места жительства, данные о средствах связи-для"_s,
                                u"физического лица,"_s};
    p.pair(Standard, {WaybillCut80(dp(2, 10))}, {WaybillCut80(dp(3, 10))}, person, person);
    const QStringList company = {u"полное наименование, адрес места нахождения-для юридического лица)"_s};
    p.pair(Standard, wrapped(partyName(2), dk(2, 3)), wrapped(partyName(3), dk(3, 3)), company, company);
    const QStringList responsible = {
        u"(фамилия, имя, отчество, данные о средствах связи, ответсвенного за"_s, u"перевозку)"_s};
    p.pair(Standard, {WaybillCut80(dp(2, 6) + u"  "_s + dp(2, 9))}, {WaybillCut80(dp(3, 6) + u"  "_s + dp(3, 9))},
           responsible, responsible);
    p.divider(Standard.divider, top);

    p.title(0.41, u"3.Наименование груза"_s, 1);
    p.field(v.cargoName,
            {u"(отгрузочное наименование груза(для опасных грузов-в соответствии с ДОПОГ, для скоропортящихся "
             u"грузов-в соответствии с СПС), его состояние и другая необходимая информация о грузе)"_s});
    p.field(dp(0, 5) + u"  "_s + dp(0, 6),
            {u"(количество грузовых мест, маркировка, вид тары и способ упаковки)"_s});
    p.field(u"Нетто: "_s + netText() + u" (Брутто: "_s + grossText() + u")  Габариты\\Объём: "_s + dp(0, 7),
            {u"(масса нетто(брутто) грузовых мест в килограммах, размеры(высота, ширина и длина) в метрах, объём "
             u"грузовых мест в кубических метрах)"_s});
    // Kept as entered: the hazard data may be laid out with blanks.
    p.field(v.constants[0][3],
            {u"(в случае перевозки опасного груза-информация по каждому опасному веществу,материалу или изделию в "
             u"соотвествии с пунктом 5.4.1 ДОПОГ)"_s});

    p.title(0.36, u"4.Сопроводительные документы на груз"_s, 1);
    p.field(v.documentNumber + u' ' + dk(1, 3) + u' ' + dk(1, 4),
            {u"(перечень прилагаемых к транспортной накладной документов, предусмотренных ДОПОГ, санитарными, "
             u"таможенными, карантинными, иными правилами в соответствии с"_s,
             u"законодательством Российской Федерации)"_s});
    p.field(dk(1, 5) + u' ' + dk(1, 6),
            {u"(перечень прилагаемых к грузу сертификатов, паспартов качества, удостоверений, разрешений, "
             u"инструкций, товарораспрядительных и других документов, наличие которых установлено"_s,
             u"законодательством Российской Федерации)"_s});

    p.title(0.395, u"5.Указания грузоотправителя."_s, 1);
    p.field(dp(0, 10), {u"(параметры транспортного средства, необходимые для перевозки груза (тип, марка, "
                        u"грузоподъёмность, вместимость и др.)"_s});
    p.field(dk(0, 7), {u"(указания, необходимые для выполнения фитосанитарных, санитарных, карантинных, таможенных "
                       u"и прочих требований, установленных законодательством Российской Федерации)"_s});
    p.field(dk(0, 8) + u"  "_s + dk(0, 10) + u"  "_s + dk(0, 11),
            {u"(рекомендации о предельных сроках и температурном режиме перевозки, сведения о "
             u"запорно-пломбировочных устройствах (в случае их представления грузоотправителем))"_s});
    p.field(dp(0, 1), {u"(объявленная стоимость (ценность) груза, запрещение перегрузки груза))"_s});

    // 6 and 7: loading on the left, unloading on the right.
    p.blank();
    p.twoTitles(u"6.Прием груза"_s, u"7.Сдача груза"_s);
    p.blank();
    top = s.currentY();
    p.pair(Standard, {dp(2, 1)}, {dp(3, 1)}, {u"(адрес места погрузки)"_s}, {u"(адрес места выгрузки)"_s});
    p.pair(Standard, {WaybillCut80(dp(2, 2))}, {WaybillCut80(dp(3, 2))},
           {u"(дата и время подачи транспортного средства под погрузку)"_s},
           {u"(дата и время подачи транспортного средства под выгрузку)"_s});
    const QStringList arrival = {u"(фактические дата и время прибытия)"_s};
    p.pair(Standard, {WaybillCut80(dp(2, 3))}, {WaybillCut80(dp(3, 3))}, arrival, arrival);
    const QStringList state = {u"(фактическое состояние груза, тары, упаковки, маркировки и опломбирования)"_s};
    p.pair(Standard, {WaybillCut80(dp(2, 4))}, {WaybillCut80(dp(3, 4))}, state, state);
    const QStringList mass = {u"(масса груза, количество грузовых мест)"_s};
    p.pair(Standard, {WaybillCut80(dp(2, 5))}, {WaybillCut80(dp(3, 5))}, mass, mass);
    p.pair(Standard, {WaybillCut80(dp(2, 6))}, {WaybillCut80(dp(3, 6))},
           {u"(подпись и оттиск печати грузоотправителя (при наличии) подпись водителя,"_s, u"принявшего груз)"_s},
           {u"(подпись и оттиск печати грузополучателя (при наличии) подпись водителя,сдавшего"_s, u"груз)"_s});
    p.divider(Standard.divider, top);

    p.title(0.41, u"8.Условия перевозки"_s, 1);
    p.field(dp(2, 7),
            {u"(сроки по истечению которых грузоотправитель и грузополучатель вправе считать груз утраченным, "
             u"форма уведомления о проведении экспертизы для определения размера фактических"_s,
             u"недостачи, повреждения (порчи) груза)"_s});
    p.field(dp(3, 7) + u"  "_s + dp(3, 8),
            {u"(размер платы и предельный срок хранения груза в терминале перевозчика, сроки "
             u"погрузки(выгрузки) грузов, порядок предоставления и установки приспособлений необходимых для"_s,
             u"погрузки, выгрузки и перевозки груза)"_s});
    QString weights = u"Нетто: "_s + netText() + u" (Брутто: "_s + grossText() + u')';
    if (weighedHere())
        weights += u", взвешивание на автомобильных весах"_s + (dk(0, 11).isEmpty() ? QString() : u"  "_s);
    p.field(weights + dk(0, 11),
            {u"(масса груза и способ ее определения, сведения об опломбировании крытых транспортных средств и "
             u"контейнеров)"_s});
    p.field(dp(4, 6), {u"(порядок выполнения погрузо-разгрузочных работ, работ по промывке и дезинфекции "
                       u"транспортных средств)"_s});
    p.field(dp(2, 8),
            {u"(размер штрафа за невывоз груза по вине перевозчика, несвоевременное предоставления транспортного "
             u"средства, контейнера, просрочку доставки груза, порядок исчисления срока"_s,
             u"просрочки)"_s});
    p.field(dp(3, 8),
            {u"(размер штрафа за непредъявление для перевозки груза, за задержку(простой) транспортных средств, "
             u"поданных под погрузку, выгрузку, за простой специализированных транспортных"_s,
             u"средств, за задержку (простой) контейнеров))"_s});

    p.title(0.3, u"9.Информация о принятии заказа(заявки) к исполнению"_s, 1);
    p.field(dp(1, 1) + u"  "_s + dp(1, 2) + u"  "_s + dp(1, 4),
            {u"(дата принятия заказа(заявки) к исполнению-фамилия, имя, отчество, должность лица, принявшего "
             u"заказ(заявку) к исполнению,оттиск печати(при наличии) подпись)"_s});
}

void WaybillForm::reverse(WaybillSide &p) const
{
    PrintSurface &s = p.s;
    p.start(false);
    p.blank(2);
    p.at(0.762, u"Продолжение Приложение №4"_s);
    p.at(0.762, u"Оборотная сторона"_s);
    s.setFontSize(8);
    p.blank();

    p.title(0.443, u"10.Перевозчик"_s, 1);
    double top = s.currentY();
    p.pair(Standard, {WaybillCut80(dk(4, 7) + u' ' + dk(4, 8))},
           {WaybillCut80(either(dk(5, 0), box(5)) + u' ' + dk(5, 3))},
           {u"(фамилия, имя, отчество, адрес места жительства- для физического лица)"_s},
           {u"(фамилия, имя, отчество, адрес места жительства, данные о средствах связи(при их наличии) водителя"_s,
            u"(водителей))"_s});
    p.pair(Standard, wrapped(dk(4, 4), dk(4, 5)), wrapped(dp(5, 1), dp(5, 2)),
           {u"наименование и адрес места нахождения - для юридического лица))"_s},
           {u"сведения о путевом листе (листах)))"_s});
    p.pair(Standard, {WaybillCut80(dp(4, 1) + u"  "_s + dp(4, 7))}, {},
           {u"(фамилия, имя, отчество, ответственного за перевозку, данные о средствах"_s, u"связи)"_s}, {});
    p.divider(Standard.divider, top);

    p.title(0.405, u"11.Транспортное средство"_s, 3);
    top = s.currentY();
    s.setFontSize(6);
    s.setFontItalic(true);
    p.twoAt(0.062, dk(4, 2) + u"  "_s + dk(4, 3) + u"  "_s + dk(4, 11) + u"  "_s + dk(4, 12), 0.638,
            either(dk(4, 10), box(4)), 0.605, 0.93);
    s.setFontItalic(false);
    p.rule(0.062, 0.605);
    p.rule(0.633, 0.93);
    p.twoAt(0.062, u"(количество, тип, марка, грузоподъемность в тоннах, вместимость в кубических метрах)"_s, 0.638,
            u"(регистрационные номера)"_s, 0.605, 0.93);
    p.blank();
    p.divider(0.619, top);

    p.title(0.405, u"12.Оговорки и замечания перевозчика"_s, 2);
    top = s.currentY();
    const QString remarks = u"(фактическое состояние груза, тары, упаковки, маркировки и опломбирования при"_s;
    p.pair(Standard, {dp(2, 4)}, {dp(3, 4)}, {remarks, u"приеме груза)"_s}, {remarks, u"сдаче груза)"_s});
    p.pair(Standard, {u" "_s}, {u" "_s}, {u"(изменение условий перевозки при движении)"_s},
           {u"(изменение условий перевозки при выгрузке)"_s});
    p.divider(Standard.divider, top);

    p.title(0.423, u"13.Прочие условия"_s, 1);
    p.field(dp(5, 10), {u"(номер, дата и срок действия специального разрешения, установленный маршрут перевозки "
                        u"опасного, тяжеловесного или крупногабаритного груза и др.)"_s});
    p.field(dp(5, 3), {u"(режим труда и отдыха водителя в пути следования, сведения о коммерческих и иных актах)"_s});

    p.title(0.405, u"14. Переадресовка"_s, 2);
    top = s.currentY();
    p.pair(Standard, {u" "_s}, {u" "_s}, {u"(дата, форма переадресовки (устно или письмено))"_s},
           {u"(адрес нового пункта выгрузки, дата и время подачи транспортного средста под"_s, u"выгрузку)"_s});
    p.pair(Standard, {u" "_s}, {u" "_s},
           {u"(сведения о лице, от которого получено указание на переадресовку"_s,
            u"(наименование, фамилия, имя, отчество и др.))"_s},
           {u"(при изменении получателя груза- новое наименование грузополучателя и место его"_s,
            u"нахождения)"_s});
    p.divider(Standard.divider, top);

    p.blank();
    p.title(0.262, u"15. Стоимомть услуг перевозчика и порядок расчета провозной платы"_s, 2);
    top = s.currentY();
    p.pair(Charges, {dp(4, 5)}, {QString()}, {u"(стоимость в рублях))"_s},
           {u"(расходы перевозчика и предъявляемые грузоотправителю платежи за проезд по платным"_s,
            u"автомобильным дорогам)"_s});
    p.pair(Charges, {dp(4, 6)}, {QString()}, {u"(порядок (механизм) расчета (исчесления) платы)"_s},
           {u"(при перевозке опасных, тяжеловесных и крупногабаритных грузов, уплату таможенных пошлин и"_s,
            u"сборов)"_s});
    p.pair(Charges, {QString()}, {QString()},
           {u"(размер провозной платы (заполняется после окончания перевозки) в)"_s, u"рублях)"_s},
           {u"(выполнение погрузо-разгрузочных работ, работ по промывке и дезинфекции транспортных средств)"_s});
    p.divider(Charges.divider, top);

    const QString today = ShortDateText(v.today);
    p.blank(2);
    p.title(0.362, u"16. Дата составления, подписи сторон"_s, 2);
    p.pair(Standard, {either(dk(2, 0), box(2)) + u"  "_s + today + u"  "_s + dp(2, 6)},
           {dk(4, 4) + u"  "_s + today + u"  "_s + dp(4, 1)},
           {u"(грузоотправитель, оттиск печати (при наличии), дата, подпись)"_s},
           {u"(перевозчик, оттиск печати (при наличии), дата, подпись)"_s});

    p.blank(2);
    p.title(0.271, u"17. Отметки грузоотправителей, грузополучателей и перевозчиков"_s, 1);
    const double tableTop = s.currentY();
    const double left = p.ruleX(0.067);
    const double right = p.ruleX(0.928);
    p.thinLine(left, tableTop, right, tableTop);
    s.setFontSize(8);
    s.setFontBold(false);
    const double headerY = s.currentY();
    p.at(0.081, u"Краткое описание обстоятельств, послуживших основанием для"_s);
    const double secondLine = s.currentY();
    s.setCurrentY(headerY);
    p.at(0.548, u"расчет и размер штрафов"_s);
    s.setCurrentY(headerY);
    p.at(0.79, u"Подпись, дата"_s);
    s.setCurrentY(secondLine);
    p.at(0.262, u"отметки"_s);
    p.thinLine(left, s.currentY(), right, s.currentY());
    for (int row = 0; row < 5; ++row) {
        p.blank(2);
        p.thinLine(left, s.currentY(), right, s.currentY());
    }
    const double tableBottom = s.currentY();
    for (double f : {0.067, 0.514, 0.743, 0.928})
        p.thinLine(p.ruleX(f), tableTop, p.ruleX(f), tableBottom);
}

} // namespace

int WaybillCopies(const QString &text)
{
    const double value = std::trunc(ReadLeadingNumber(text.trimmed()));
    if (!(value >= 1 && value <= 10))
        return 1;
    return int(value);
}

QString WaybillCut80(const QString &value)
{
    return value.left(80);
}

std::array<QString, 2> WaybillWrap(const QString &value)
{
    if (value.size() < 65)
        return {value, QString()};
    return {value.left(64), value.mid(64)};
}

bool PrintWaybill(PrintSurface &surface, const WaybillValues &values)
{
    const WaybillForm form(values);
    const int copies = WaybillCopies(values.extras[1][3]);
    for (int copy = 1; copy <= copies; ++copy) {
        surface.setDocumentName(u"Транспортная накладная "_s + values.cardNumber.trimmed() + u" экз. "_s
                                + QString::number(copy));
        surface.setOrientation(PrintSurface::Orientation::Portrait);
        const double width = surface.pageWidth();
        const double height = surface.pageHeight();
        // Each side belongs on one page, or the reverse no longer backs the
        // front: on a short page the blank lines give way, not the fields.
        const auto fitted = [&](auto layOut) {
            WaybillSide side(surface, width);
            side.setDryRun(true);
            layOut(side);
            const double over = surface.currentY() - height;
            surface.setCurrentX(0);
            surface.setCurrentY(0);
            WaybillSide print(surface, width);
            if (over > 0 && side.blankHeight() > 0)
                print.setBlankScale(qMax(0.0, 1 - over / side.blankHeight()));
            layOut(print);
            return print.ok();
        };
        bool ok = fitted([&](WaybillSide &side) { form.front(side, copy); }) && surface.newPage();
        if (ok)
            ok = fitted([&](WaybillSide &side) { form.reverse(side); });
        // A job that went wrong is still closed, so the next one starts clean.
        if (!surface.endDocument() || !ok)
            return false;
    }
    return true;
}
