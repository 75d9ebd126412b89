// One sending round of a register that kills its own program right after
// the server committed the first batch, before the post notes it: what a
// power cut or kill -9 at the worst moment leaves behind.
// Usage: journal_crash_sender REGISTER POST CONNECTION
#include "JournalSender.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    JournalSender sender(argv[1], QStringLiteral("crash"), LinkTimeouts{});
    sender.Configure(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]));
    sender.AfterServerCommit = [] { std::raise(SIGKILL); };
    sender.Round();
    return 1; // never reached when a batch went out
}
