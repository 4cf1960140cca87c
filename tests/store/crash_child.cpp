// One operation through the program as it ships, in the base folder and at
// the moment given on the command line, after the start-up of the main
// window (journal replay, exchange check):
//   crash_child <folder> <yyyy-MM-ddTHH:mm:ss> store <weight>
//   crash_child <folder> <time> complete|correct|delete <n>
//   crash_child <folder> <time> start
//   crash_child <folder> <time> loop <seed>
// "loop" runs random operations until it is killed and says each one on
// stdout before it begins ("begin ...") and once it is done ("ack ...").
// Exits 0 when the operation was done, 1 when it was refused, and 77 where
// TARVO_CRASH_BEFORE_FILE_CALL or TARVO_TEAR_FILE_CALL stops it (counted
// from the end of the start-up with TARVO_CRASH_FROM_MARK=1).

#include "common/AbsentPort.h"
#include "app/Program.h"
#include "core/CrashPoint.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

bool store(Program &p, double weight)
{
    Weighing &weighing = p.weighing();
    weighing.setTerminalConnected(true);
    weighing.setEntryText(CargoName, u"Щебень"_s);
    weighing.setTerminalWeight(weight);
    weighing.UpdateLiveWeights();
    return weighing.StoreNewCard();
}

bool complete(Program &p, int n, double tare)
{
    Weighing &weighing = p.weighing();
    weighing.setTerminalConnected(true);
    weighing.SetCompletionButtons(n);
    if (!weighing.tareButtonVisible())
        return false;
    weighing.setVisibleFrame(Weighing::Frame::CurrentCard);
    weighing.setTerminalWeight(tare);
    weighing.UpdateLiveWeights();
    return weighing.CompleteCard(Weighing::Kind::Tare);
}

bool edit(Program &p, int n, const QString &token)
{
    CardEditor &editor = p.cardEditor();
    editor.open(CardEditor::Correction);
    editor.setCardNumberText(QString::number(n));
    editor.SelectCardForEdit();
    if (editor.SelectedCardNumber() != n)
        return false;
    if (token.isEmpty())
        return editor.DeleteCard();
    editor.setText(1, token);
    editor.setExtraText(0, 1, token);
    return editor.ReplaceCardParameters();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 2;
    Clock clock;
    clock.setNow(QDateTime::fromString(QString::fromLatin1(argv[2]), Qt::ISODate));
    auto *port = new AbsentPort;
    Program program(clock, Folders(QString::fromLocal8Bit(argv[1])), {port, nullptr, nullptr});
    program.start();
    program.questions().answer = [](const QString &) { return true; };
    program.shell().LoadMainWindow();
    program.link().stopPolling();
    const QString op = QString::fromLatin1(argv[3]);
    const QString arg = argc > 4 ? QString::fromLatin1(argv[4]) : QString();
    CrashPoint::mark();

    if (op == u"start"_s)
        return 0;
    if (op == u"store"_s)
        return store(program, arg.toDouble()) ? 0 : 1;
    if (op == u"complete"_s)
        return complete(program, arg.toInt(), 12000) ? 0 : 1;
    if (op == u"correct"_s)
        return edit(program, arg.toInt(), u"Испр-"_s + arg) ? 0 : 1;
    if (op == u"delete"_s)
        return edit(program, arg.toInt(), QString()) ? 0 : 1;
    if (op != u"loop"_s)
        return 2;

    QRandomGenerator random(arg.toUInt());
    say(u"ready"_s);
    for (int k = 1;; ++k) {
        const int cards = program.context().settings.DayCardNumber;
        const int pick = int(random.bounded(10));
        const int n = cards > 0 ? int(random.bounded(cards)) + 1 : 0;
        if (pick < 5 || n == 0) {
            const double weight = 20000 + k;
            say(u"begin store"_s);
            if (store(program, weight))
                say(u"ack store %1 %2"_s.arg(program.context().settings.DayCardNumber)
                        .arg(program.context().settings.CardIdCounter));
        } else if (pick < 7) {
            say(u"begin complete %1"_s.arg(n));
            if (complete(program, n, 5000 + k))
                say(u"ack complete %1"_s.arg(n));
        } else if (pick < 9) {
            const QString token = u"K%1-%2"_s.arg(arg).arg(k);
            say(u"begin correct %1 %2"_s.arg(n).arg(token));
            if (edit(program, n, token))
                say(u"ack correct %1 %2"_s.arg(n).arg(token));
        } else {
            say(u"begin delete %1"_s.arg(n));
            if (edit(program, n, QString()))
                say(u"ack delete %1"_s.arg(n));
        }
    }
}
