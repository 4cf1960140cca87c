// tarvo-scale-sim: a weight terminal on a pseudo-terminal, for trying Tarvo
// and for its tests without a scale.

#include "PseudoTerminal.h"
#include "ScaleSimulator.h"
#include "SettingsAttach.h"
#include "core/Cp1251.h"
#include "core/SettingsFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    Q_UNUSED(n);
}

QString helpText()
{
    return uR"(Имитатор весового терминала для Tarvo.

Открывает псевдотерминал, печатает в первой строке путь к его устройству и
играет терминал выбранного типа: типы 3 и 7 отвечают на запросы программы,
остальные передают вес сами.

  tarvo-scale-sim --type 4 --weight 12500 --scenario truck

Параметры:
  --type N            тип терминала 1..10, как в списке «Тип терминала» (1)
  --weight N          вес груза (12500)
  --scenario ИМЯ      fixed      постоянный вес (по умолчанию)
                      truck      машина заезжает, вес успокаивается, машина
                                 стоит, съезжает; по кругу, 20 с
                      trucks     очередь машин из --trucks, каждая один раз;
                                 потом платформа пуста
                      noise      постоянный вес с шумом (--noise, иначе ±5)
                      bad-check  тип 4: каждый второй кадр с неверной
                                 контрольной суммой
                      split      каждый кадр уходит двумя частями
  --noise N           шум ±N единиц к каждому показанию
  --trucks СПИСОК     веса машин очереди через запятую; «15000~20» — машина
                      раскачивается на ±20 единиц и не успокаивается
                      (12500,18340,15000~20)
  --stand С           сколько секунд стоит каждая машина очереди (12)
  --quick-moves       очередь: заезд, успокоение и съезд по полсекунды,
                      пустая платформа секунду
  --bad-check         как сценарий bad-check, вместе с любым сценарием
  --split             как сценарий split, вместе с любым сценарием
  --rate N            кадров в секунду для передающих типов (10)
  --baud N            скорость линии: байты уходят не быстрее, чем их
                      несёт линия, и чтение может попасть в середину
                      кадра (9600; 0 — каждый кадр сразу целиком)
  --decimals N        тип 4: цифра положения точки в кадре; тип 7 с
                      --frame digits: знаков после точки в настройках (0)
  --decimals N        также: тип 9 — знаков после точки в байте состояния,
                      типы 2, 8, 10 — не меньше N знаков после точки
  --coefficient K     тип 3: единиц веса на импульс (1)
  --format ИМЯ        формат кадра, какие бывают у индикаторов типа:
                      2  signed (знак «0»/«-»), short (без знака),
                         flag (знак «0»/«1»)
                      3  cof3, cof1 (с адресом), cof11 (с состоянием),
                         cof9 (с адресом и состоянием)
                      5  stx, leo (VT LEO), and (AND 18 байт)
                      6  status, choice9, choice13, choice14
                      9  ft11, ft111 (CR LF перед контрольной суммой)
                      10 cas22, and18 (AND), cas10
                      (первый — по умолчанию)
  --overload          каждый кадр — перегрузка (типы 5 leo и and, 6, 9,
                      10 cas22 и and18; у других такого признака нет)
  --motion            каждый кадр — вес не успокоился (те же форматы)
  --reply-delay МС    типы 3 и 7: ответ уходит через МС мс после запроса
  --frame text|digits тип 7: текстовые кадры или кадры из байтов-цифр (text)
  --link ПУТЬ         символическая ссылка на устройство; перезапущенный
                      имитатор найдётся по тому же пути
  --attach ПАПКА      записать в настройки установки Tarvo в ПАПКЕ (папка
                      с программой) порт имитатора и тип терминала, для
                      типа 3 коэффициент, для типа 7 с --frame digits
                      положение точки
  --camera-page АДРЕС с --attach: адрес страницы IP-камеры 1 (файл или
                      http://...); длиннее 98 байт не записывается
  --duration С        закончить через С секунд
  --help              эта справка

Кадры по типам (вес может быть отрицательным):
  1, 5  НВТ-1, VT-100: STX, знак или пробел, 6 цифр, «.», десятые, CR LF
  2     НВТ-3: «=», 7 знаков младшими вперёд, знак «0» или «-»
  3     HBM AED: ответ на «msv?;» — 8 знаков по правому краю, CR LF
  4     D2008F: STX, «+»/«-», 6 цифр, цифра положения точки, XOR восьми
        знаков двумя шестнадцатеричными цифрами («A»..«F» для 10..15), ETX
  6     GSE350: STX, 8 знаков веса, состояние « », «M» или «O», CR LF
  7     МИДЛ: ответ на LF — «W:», 7 знаков, « kg» CR LF или 6 байтов-цифр
  8     TB-3: «=», знак «0» или «-», 7 знаков старшими вперёд
  9     FT11: STX, байты состояния A, B, C, 6 цифр веса без точки, 6 цифр
        тары, CR, контрольная сумма
  10    CAS6000: «ST»/«US»/«OL», «,GS,», номер, байт ламп, «,», 8 знаков
        веса, « kg», CR LF (22 байта)
  Другие форматы тех же индикаторов — см. --format.

Останавливается по Ctrl+C.
)"_s;
}

bool readNumber(const QCommandLineParser &parser, const QString &name, double &value, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double v = parser.value(name).toDouble(&ok);
    if (!ok) {
        *error = u"--"_s + name + u": не число: "_s + parser.value(name);
        return false;
    }
    value = v;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const auto value = [](const QString &name) { return QCommandLineOption(name, QString(), u"значение"_s); };
    parser.addOptions({value(u"type"_s), value(u"weight"_s), value(u"scenario"_s), value(u"noise"_s),
                       value(u"rate"_s), value(u"baud"_s), value(u"decimals"_s), value(u"coefficient"_s), value(u"trucks"_s),
                       value(u"stand"_s), value(u"frame"_s), value(u"link"_s), value(u"attach"_s), value(u"camera-page"_s),
                       value(u"duration"_s), value(u"format"_s), value(u"reply-delay"_s),
                       QCommandLineOption(u"bad-check"_s), QCommandLineOption(u"split"_s),
                       QCommandLineOption(u"overload"_s), QCommandLineOption(u"motion"_s),
                       QCommandLineOption(u"quick-moves"_s),
                       QCommandLineOption(QStringList{u"help"_s, u"h"_s})});
    if (!parser.parse(app.arguments())) {
        err << parser.errorText() << u"\nСправка: tarvo-scale-sim --help"_s << Qt::endl;
        return 2;
    }
    if (parser.isSet(u"help"_s)) {
        out << helpText();
        return 0;
    }

    ScaleSimulator::Options options;
    double type = 1, rate = 10, decimals = 0, duration = 0, stand = 12, baud = 9600, replyDelay = 0;
    QString error;
    if (!readNumber(parser, u"type"_s, type, &error) || !readNumber(parser, u"weight"_s, options.weight, &error)
        || !readNumber(parser, u"noise"_s, options.noise, &error) || !readNumber(parser, u"rate"_s, rate, &error)
        || !readNumber(parser, u"baud"_s, baud, &error)
        || !readNumber(parser, u"decimals"_s, decimals, &error)
        || !readNumber(parser, u"coefficient"_s, options.frame.coefficient, &error)
        || !readNumber(parser, u"duration"_s, duration, &error) || !readNumber(parser, u"stand"_s, stand, &error)
        || !readNumber(parser, u"reply-delay"_s, replyDelay, &error)) {
        err << error << Qt::endl;
        return 2;
    }
    if (type < 1 || type > 10 || type != int(type)) {
        err << u"--type: тип терминала 1..10"_s << Qt::endl;
        return 2;
    }
    options.frame.type = int(type);
    const int maxDecimals = type == 4 ? 9 : 3;
    if (decimals < 0 || decimals > maxDecimals || decimals != int(decimals)) {
        err << u"--decimals: целое 0.."_s << maxDecimals << Qt::endl;
        return 2;
    }
    options.frame.decimals = int(decimals);
    options.rate = int(rate);
    if (baud < 0 || baud > 115200) {
        err << u"--baud: 0..115200"_s << Qt::endl;
        return 2;
    }
    options.baud = int(baud);
    options.badCheck = parser.isSet(u"bad-check"_s);
    options.split = parser.isSet(u"split"_s);
    options.motion = parser.isSet(u"motion"_s);
    options.frame.overload = parser.isSet(u"overload"_s);
    if (replyDelay < 0 || replyDelay > 5000) {
        err << u"--reply-delay: 0..5000 мс"_s << Qt::endl;
        return 2;
    }
    options.replyDelayMs = int(replyDelay);
    if (parser.isSet(u"format"_s)) {
        const QStringList formats = FrameMaker::formats(options.frame.type);
        if (!formats.contains(parser.value(u"format"_s))) {
            err << u"--format: для типа "_s << options.frame.type << u": "_s << formats.join(u", "_s) << Qt::endl;
            return 2;
        }
        options.frame.format = parser.value(u"format"_s);
    }
    if ((options.frame.overload || options.motion)
        && !FrameMaker::canSayOverload(options.frame.type, options.frame.format))
        err << u"в кадре этого типа и формата нет признаков перегрузки и движения"_s << Qt::endl;

    const QString scenario = parser.value(u"scenario"_s);
    if (scenario == u"truck") {
        options.scenario = WeightCourse::Scenario::Truck;
    } else if (scenario == u"trucks") {
        options.scenario = WeightCourse::Scenario::Trucks;
        options.trucks = WeightCourse::parseTrucks(parser.value(u"trucks"_s));
        if (!parser.isSet(u"trucks"_s))
            options.trucks = WeightCourse::parseTrucks(u"12500,18340,15000~20"_s);
        if (options.trucks.isEmpty() || stand <= 0 || stand > 3600) {
            err << u"--trucks: веса через запятую, «~N» — раскачка; --stand: 0..3600 с"_s << Qt::endl;
            return 2;
        }
        options.standMs = qint64(stand * 1000);
        options.quickMoves = parser.isSet(u"quick-moves"_s);
    } else if (scenario == u"noise") {
        if (options.noise <= 0)
            options.noise = 5;
    } else if (scenario == u"bad-check") {
        options.badCheck = true;
    } else if (scenario == u"split") {
        options.split = true;
    } else if (!scenario.isEmpty() && scenario != u"fixed") {
        err << u"--scenario: fixed, truck, trucks, noise, bad-check или split"_s << Qt::endl;
        return 2;
    }
    const QString frame = parser.value(u"frame"_s);
    if (!frame.isEmpty() && frame != u"text" && frame != u"digits") {
        err << u"--frame: text или digits"_s << Qt::endl;
        return 2;
    }
    options.frame.digitFrames = frame == u"digits";
    if (options.badCheck && options.frame.type != 4)
        err << u"контрольная сумма есть только у типа 4; кадры будут обычными"_s << Qt::endl;

    PseudoTerminal terminal;
    if (!terminal.open(&error) || (parser.isSet(u"link"_s) && !terminal.link(parser.value(u"link"_s), &error))) {
        err << error << Qt::endl;
        return 1;
    }

    if (parser.isSet(u"attach"_s)) {
        SettingsAttach attach;
        attach.programFolder = parser.value(u"attach"_s);
        attach.port = terminal.portPath();
        attach.terminalType = options.frame.type;
        if (options.frame.type == 3)
            attach.impulseCoefficient = options.frame.coefficient;
        if (options.frame.type == 7 && options.frame.digitFrames)
            attach.decimalPlaces = options.frame.decimals;
        if (parser.isSet(u"camera-page"_s)) {
            // A demonstration goes on without its camera page rather than not at all.
            const QString page = parser.value(u"camera-page"_s);
            if (length1251(page) > SettingsLayout::kTextMax)
                err << u"--camera-page: адрес длиннее 98 байт, камера 1 не изменена"_s << Qt::endl;
            else
                attach.cameraUrl = page;
        }
        const QString written = attach.apply(&error);
        if (written.isEmpty()) {
            err << u"--attach: "_s << error << Qt::endl;
            return 1;
        }
        err << u"настройки записаны: "_s << written << Qt::endl;
    }

    // The first line is the device to open; tests and scripts read it.
    out << terminal.portPath() << Qt::endl;
    if (terminal.portPath() != terminal.devicePath())
        err << u"устройство: "_s << terminal.devicePath() << Qt::endl;

    ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe);
    QSocketNotifier stop(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);

    ScaleSimulator simulator(options, terminal);
    simulator.start();
    if (duration > 0)
        QTimer::singleShot(int(duration * 1000), &app, &QCoreApplication::quit);
    return app.exec();
}
