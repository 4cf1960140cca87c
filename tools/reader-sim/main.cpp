// tarvo-reader-sim: a proximity card reader on a pseudo-terminal, for trying
// Tarvo's card weighing and for its tests without a reader.

#include "PseudoTerminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString helpText()
{
    return uR"(Имитатор считывателя карт для Tarvo.

Открывает псевдотерминал, печатает в первой строке путь к его устройству и
передаёт номера карт строками, как считыватели: номер и CR LF. Каждая
строка, введённая на стандартный ввод, уходит как есть (так можно послать
и испорченную строку).

  tarvo-reader-sim --card 0012345678 --every 30

Параметры:
  --card N        номер карты: 8..10 цифр или «nnn,nnnnn»
  --every С       посылать --card каждые С секунд (без него — один раз)
  --link ПУТЬ     символическая ссылка на устройство
  --ending E      конец строки: crlf (по умолчанию), cr, lf

Останавливается по Ctrl+C или концу ввода.
)"_s;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    const auto value = [](const QString &name) { return QCommandLineOption(name, QString(), u"значение"_s); };
    parser.addOptions({value(u"card"_s), value(u"every"_s), value(u"link"_s), value(u"ending"_s),
                       QCommandLineOption(QStringList{u"help"_s, u"h"_s})});
    if (!parser.parse(app.arguments())) {
        err << parser.errorText() << u"\nСправка: tarvo-reader-sim --help"_s << Qt::endl;
        return 2;
    }
    if (parser.isSet(u"help"_s)) {
        out << helpText();
        return 0;
    }
    const QString ending = parser.value(u"ending"_s);
    QByteArray lineEnd = "\r\n";
    if (ending == u"cr")
        lineEnd = "\r";
    else if (ending == u"lf")
        lineEnd = "\n";
    else if (!ending.isEmpty() && ending != u"crlf") {
        err << u"--ending: crlf, cr или lf"_s << Qt::endl;
        return 2;
    }
    bool ok = true;
    const double every = parser.isSet(u"every"_s) ? parser.value(u"every"_s).toDouble(&ok) : 0;
    if (!ok || every < 0 || every > 86400) {
        err << u"--every: секунды 0..86400"_s << Qt::endl;
        return 2;
    }

    PseudoTerminal pty;
    QString error;
    if (!pty.open(&error) || (parser.isSet(u"link"_s) && !pty.link(parser.value(u"link"_s), &error))) {
        err << error << Qt::endl;
        return 1;
    }
    out << pty.portPath() << Qt::endl;

    const auto send = [&pty, &lineEnd](const QByteArray &line) { pty.write(line + lineEnd); };
    const QByteArray card = parser.value(u"card"_s).toLatin1();
    QTimer repeat;
    if (!card.isEmpty()) {
        QTimer::singleShot(500, &app, [&send, card] { send(card); });
        if (every > 0) {
            QObject::connect(&repeat, &QTimer::timeout, &app, [&send, card] { send(card); });
            repeat.start(int(every * 1000));
        }
    }

    // Lines typed on the standard input go out as they are.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray typed;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            if (every <= 0)
                QCoreApplication::quit();
            return;
        }
        typed.append(buffer, n);
        for (qsizetype end = typed.indexOf('\n'); end >= 0; end = typed.indexOf('\n')) {
            QByteArray line = typed.left(end);
            typed.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            send(line);
        }
    });
    // The device's own input is read and dropped, so nothing piles up.
    QSocketNotifier device(pty.masterDescriptor(), QSocketNotifier::Read);
    QObject::connect(&device, &QSocketNotifier::activated, &app, [&pty] { (void)pty.read(); });
    return app.exec();
}
