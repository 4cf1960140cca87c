// tarvo-io-sim: the I/O module of a weighbridge (lights, barriers, beams)
// as a Modbus TCP server on 127.0.0.1, for trying Tarvo and for its tests.

#include "IoSimServer.h"
#include "IoSimWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <QTextStream>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString helpText()
{
    return uR"(Имитатор модуля ввода-вывода весовой для Tarvo.

Modbus TCP на 127.0.0.1: катушки 0–5 — зелёный и красный въезда, зелёный и
красный выезда, шлагбаумы въезда и выезда (1 — открыт); дискретные входы
0–1 — лучи въезда и выезда (1 — луч свободен). Первая строка вывода — порт.

  tarvo-io-sim --port 1502

Параметры:
  --port N      порт TCP (1502; 0 — любой свободный)
  --headless    без окна; лучи переключаются строками на stdin:
                  beam entry 0    луч въезда перекрыт
                  beam exit 1     луч выезда свободен
                  input N 0|1     любой вход
                состояние катушек печатается при каждом изменении:
                  coils 1 0 0 1 1 0
)"_s;
}

QString coilsLine(const IoSimServer &server)
{
    QString line = u"coils"_s;
    for (int i = 0; i < 6; ++i)
        line += server.coil(i) ? u" 1"_s : u" 0"_s;
    return line;
}

} // namespace

int main(int argc, char *argv[])
{
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        headless = headless || QByteArrayView(argv[i]) == "--headless";
    std::unique_ptr<QCoreApplication> app = headless ? std::make_unique<QCoreApplication>(argc, argv)
                                                     : std::make_unique<QApplication>(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption help(u"help"_s);
    const QCommandLineOption port(u"port"_s, {}, u"N"_s, u"1502"_s);
    const QCommandLineOption headlessOption(u"headless"_s);
    parser.addOptions({help, port, headlessOption});
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.parse(app->arguments()) || parser.isSet(help)) {
        (parser.isSet(help) ? out : err) << helpText() << Qt::flush;
        return parser.isSet(help) ? 0 : 2;
    }

    IoSimServer server;
    QString error;
    if (!server.listen(parser.value(port).toInt(), &error)) {
        err << u"Порт %1 не открыт: %2\n"_s.arg(parser.value(port), error) << Qt::flush;
        return 1;
    }
    out << server.port() << Qt::endl;

    QString last = coilsLine(server);
    QObject::connect(&server, &IoSimServer::coilsWritten, &server, [&] {
        if (const QString now = coilsLine(server); now != last) {
            last = now;
            out << now << Qt::endl;
        }
    }, Qt::QueuedConnection);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QTextStream in(stdin);
    QObject::connect(&input, &QSocketNotifier::activated, &server, [&] {
        QString line;
        if (!in.readLineInto(&line)) {
            // stdin closed: the headless module ends with whoever drove it.
            input.setEnabled(false);
            if (headless)
                app->quit();
            return;
        }
        const QStringList words = line.simplified().split(u' ');
        if (words.size() == 3 && words[0] == "beam"_L1 && (words[1] == "entry"_L1 || words[1] == "exit"_L1))
            server.setInput(words[1] == "entry"_L1 ? 0 : 1, words[2] == "1"_L1);
        else if (words.size() == 3 && words[0] == "input"_L1)
            server.setInput(words[1].toInt(), words[2] == "1"_L1);
        else if (!line.trimmed().isEmpty())
            err << u"Непонятная строка: "_s << line << Qt::endl;
    });

    std::unique_ptr<IoSimWindow> window;
    if (!headless) {
        window = std::make_unique<IoSimWindow>(server);
        window->show();
    }
    return app->exec();
}
