// A sending program for the kill test: queues `count` cards from ID `first`
// in the outbox of `base` ("ready" before, "queued" after), and sends until
// nothing is left.

#include "central/CentralOutbox.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    CentralOutbox out(args[1]);
    out.setRetryInterval(50);
    out.setBatchSize(3);
    out.start();
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    const int first = args[2].toInt();
    const int count = args[3].toInt();
    if (count > 0) {
        std::vector<CentralOutbox::Item> items;
        for (int i = 0; i < count; ++i) {
            CargoCard c;
            c.id = first + i;
            c.number = first + i;
            c.texts[0] = QStringLiteral("Песок");
            c.gross = 1000 + c.id;
            c.status = Statuses::complete();
            items.push_back({c, {}, QDate(2026, 12, 9)});
        }
        if (!out.cardsWritten(items, CardChange::Store, QStringLiteral("kill test")))
            return 3;
        std::fputs("queued\n", stdout);
        std::fflush(stdout);
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (out.queued() == 0)
            app.quit();
    });
    poll.start(5);
    return app.exec();
}
