#include "ServerStart.h"

#include "JournalSender.h"
#include "TServerF.h"
#include "TestRegister.h"
#include "UiKit.h"

#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>

#include <memory>

namespace {

std::unique_ptr<JournalSending> sending;
QPointer<QLabel> field;

void ShowState()
{
    if (!field || !sending)
        return;
    const long long inMemory = Register ? static_cast<long long>(Register->Pending().size()) : 0;
    const QString text = Q(StatusTextOf(sending->State(), inMemory));
    field->setText(text);
    field->setToolTip(text);
    field->setVisible(!text.isEmpty());
}

// One message for the discrepancies of a while: the first named, the
// others counted (a register begun anew after damage numbers from 1 again,
// and every one of its records then differs from the server's).
QPointer<QMessageBox> discrepancyBox;
int discrepanciesTold = 0;

void TellDiscrepancy(QWidget* owner, qlonglong number, const QString& post, const QString& local,
                     const QString& server)
{
    if (discrepancyBox && discrepancyBox->isVisible()) {
        ++discrepanciesTold;
        discrepancyBox->setInformativeText(
            QStringLiteral("Отличаются и другие записи поста: ещё %1, последняя № %2.").arg(discrepanciesTold).arg(number));
        return;
    }
    discrepanciesTold = 0;
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(),
                                QStringLiteral("Запись № %1 поста «%2» на сервере журнала отличается от записи в "
                                               "журнале тестов этого поста.\nЗначение цепочки у поста: %3\nна "
                                               "сервере: %4\n\nЗапись на сервере не изменена.")
                                    .arg(number)
                                    .arg(post, local, server),
                                QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("ServerDiscrepancyMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    discrepancyBox = box;
    box->open();
}

} // namespace

JournalSending* ServerSending()
{
    return sending.get();
}

void StartServer(QMainWindow* owner)
{
    const std::string registerFile = QDir::current().absoluteFilePath(QString::fromLatin1(RegisterFileName)).toStdString();
    sending = std::make_unique<JournalSending>(registerFile, LoadServerSettings());
    field = new QLabel(owner->statusBar());
    NameValueLabel(field, "StatusBar_Server", QStringLiteral("Сервер журнала"));
    field->setFrameShape(QFrame::Panel);
    field->setFrameShadow(QFrame::Sunken);
    // libpq's reasons are long: the field takes the room left and never
    // widens the window; its hint holds the whole text.
    field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    field->hide();
    owner->statusBar()->addWidget(field, 1);
    QObject::connect(sending.get(), &JournalSending::Changed, field, [] { ShowState(); });
    QObject::connect(sending.get(), &JournalSending::DiscrepancyFound, owner,
                     [owner](qlonglong number, const QString& post, const QString& local, const QString& server) {
                         TellDiscrepancy(owner, number, post, local, server);
                     });
    if (Register)
        Register->Changed = [] {
            ShowState();
            if (sending)
                sending->Wake();
        };
    if (ServerF)
        ServerF->Saved = [](const ServerSettings& s) {
            if (sending)
                sending->Configure(s);
        };
}

void FinishServer()
{
    if (Register)
        Register->Changed = nullptr;
    if (ServerF)
        ServerF->Saved = nullptr;
    sending.reset();
}
