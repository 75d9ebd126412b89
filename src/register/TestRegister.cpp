#include "TestRegister.h"

#include "RegisterImport.h"

TestRegister* Register = nullptr;

TestRegister::TestRegister(std::string fileName) : store_(std::move(fileName)) {}

std::string TestRegister::FailureText() const
{
    return "Результат теста не записан в журнал тестов " + FileName() + ":\n" + error_.reason +
           "\n\nЗапись хранится в памяти программы и будет записана в журнал, как только это станет возможно.";
}

std::string TestRegister::MovedAsideText(const RegisterError& why, const std::string& aside) const
{
    return "Файл " + FileName() + " не является журналом тестов этой программы или повреждён: " + why.reason +
           ".\nФайл не изменён и сохранён под именем " + aside +
           ".\nНачат новый журнал тестов; строки файлов Test_MM.txt перенесены в него с пометкой «" +
           NoteYearUnknown + "».";
}

bool TestRegister::Reopen(std::string* tell)
{
    RegisterError e;
    RegisterStore::Opened opened = store_.Open(&e);
    if (opened == RegisterStore::Opened::Failed && NeedsMovingAside(e.fault)) {
        std::string why;
        const std::string aside = store_.MoveAside(ReadClock ? ReadClock() : SystemClock(), &why);
        if (aside.empty()) {
            e.reason += "; переименовать его не удалось: " + why;
        } else {
            *tell += MovedAsideText(e, aside);
            opened = store_.Open(&e);
        }
    }
    if (opened == RegisterStore::Opened::Empty) {
        const int month = (ReadClock ? ReadClock() : SystemClock()).month;
        std::vector<RegisterRecord> imported = ImportMonthFiles(month, pending_);
        if (store_.Create(imported, &e)) {
            created_ = true;
        } else {
            store_.Close();
            opened = RegisterStore::Opened::Failed;
        }
    }
    if (opened == RegisterStore::Opened::Failed) {
        error_ = e;
        return false;
    }
    if (store_.IsReadOnly()) {
        error_ = {RegisterFault::ReadOnly, "файл доступен только для чтения"};
        return false;
    }
    error_ = {};
    return true;
}

// A file that opened as a register and then showed damage: aside with it,
// and a new register in its place.
bool TestRegister::Restart(const RegisterError& why, std::string* tell)
{
    std::string reason;
    const std::string aside = store_.MoveAside(ReadClock ? ReadClock() : SystemClock(), &reason);
    if (aside.empty()) {
        error_ = {why.fault, why.reason + "; переименовать его не удалось: " + reason};
        return false;
    }
    *tell += MovedAsideText(why, aside);
    return Reopen(tell);
}

std::string TestRegister::SetAside(const RegisterError& why)
{
    std::string tell;
    if (Restart(why, &tell) && !pending_.empty())
        Write(&tell);
    return tell;
}

bool TestRegister::Write(std::string* tell)
{
    if (!store_.IsOpen() || store_.IsReadOnly()) {
        // Opened afresh: the fault may have gone (rights given back, a
        // folder removed). A full disk is tried again as it is: opening
        // anew needs room of its own.
        if (!Reopen(tell))
            return pending_.empty();
    }
    if (pending_.empty())
        return true;
    std::vector<RegisterRecord> batch(pending_.begin(), pending_.end());
    RegisterError e;
    if (!store_.Append(batch, &e) && NeedsMovingAside(e.fault)) {
        // Damage found while writing: the file goes aside like one found at
        // the start, and the records go into the new register.
        if (Restart(e, tell))
            store_.Append(batch, &e);
    }
    if (batch.front().number == 0) {
        error_ = e;
        return false;
    }
    pending_.clear();
    error_ = {};
    failing_ = false;
    return true;
}

std::string TestRegister::Open()
{
    std::string tell;
    if (!Reopen(&tell)) {
        failing_ = true;
        if (!tell.empty())
            tell += "\n\n";
        tell += "Журнал тестов " + FileName() + " не может быть записан:\n" + error_.reason +
                "\n\nРезультаты тестов по-прежнему записываются в файлы Test_MM.txt; записи журнала хранятся в "
                "памяти программы и будут записаны в журнал, как только это станет возможно.";
    }
    return tell;
}

std::string TestRegister::Add(RegisterRecord record)
{
    record.number = 0;
    record.chain.clear();
    pending_.push_back(std::move(record));
    std::string tell;
    const bool written = Write(&tell);
    if (Changed)
        Changed();
    if (written || failing_)
        return tell;
    failing_ = true;
    if (!tell.empty())
        tell += "\n\n";
    return tell + FailureText();
}

bool TestRegister::Flush(std::string* tell)
{
    std::string told;
    const bool written = Write(&told);
    if (tell)
        *tell = told;
    if (Changed)
        Changed();
    return written;
}
