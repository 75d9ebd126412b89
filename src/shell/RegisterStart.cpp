#include "RegisterStart.h"

#include "TestRegister.h"
#include "UiKit.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

constexpr int kRetryMs = 10000;

std::unique_ptr<TestRegister> running;
QPointer<QTimer> retry;

void Tell(QWidget* owner, const std::string& text)
{
    if (text.empty())
        return;
    // Not modal: it may come while a test runs in the online window.
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), Q(text), QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("RegisterMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

void StartRegister(QWidget* owner)
{
    running = std::make_unique<TestRegister>();
    Register = running.get();
    Tell(owner, Register->Open());
    retry = new QTimer(owner);
    retry->setObjectName(QStringLiteral("RegisterRetry"));
    QObject::connect(retry, &QTimer::timeout, owner, [owner] {
        if (!Register || Register->Pending().empty())
            return;
        std::string told;
        Register->Flush(&told);
        Tell(owner, told);
    });
    retry->start(kRetryMs);
}

void FinishRegister()
{
    if (retry)
        retry->stop();
    if (!Register)
        return;
    while (!Register->Flush()) {
        QMessageBox ask(QMessageBox::Warning, AppTitle(),
                        QStringLiteral("В журнал тестов %1 не записано тестов: %2.\n%3\n\nИх строки есть в файлах "
                                       "Test_MM.txt, но записи журнала (полная дата, номер прибора и сенсора) "
                                       "будут потеряны. Освободите место на диске или исправьте права доступа "
                                       "к файлу и нажмите «Повторить».")
                            .arg(Q(Register->FileName()))
                            .arg(Register->Pending().size())
                            .arg(Q(Register->LastError().reason)),
                        QMessageBox::Retry | QMessageBox::Discard);
        ask.setObjectName(QStringLiteral("RegisterExitQuestion"));
        ask.button(QMessageBox::Discard)->setText(QStringLiteral("Выйти без записи"));
        if (ask.exec() != QMessageBox::Retry)
            break;
    }
    Register = nullptr;
    running.reset();
}
