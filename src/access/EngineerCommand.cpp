#include "EngineerCommand.h"

#include "Engineers.h"
#include "Files.h"

#include <cerrno>
#include <istream>
#include <ostream>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Echo off on the terminal for as long as it lives.
class TNoEcho {
public:
    TNoEcho()
    {
        if (::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            on_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~TNoEcho()
    {
        if (on_)
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    bool On() const { return on_; }

private:
    termios saved_{};
    bool on_ = false;
};

bool AskPassword(std::istream& in, std::ostream& out, const char* prompt, std::string& password)
{
    out << prompt << std::flush;
    TNoEcho quiet;
    const bool read = static_cast<bool>(std::getline(in, password));
    if (quiet.On())
        out << "\n";
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return read;
}

bool Save(const std::string& path, const std::vector<TEngineer>& engineers, std::ostream& err)
{
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        ::mkdir(path.substr(0, slash).c_str(), 0755);   // /etc/kavrel on first use
    std::string why;
    if (!WriteFileAtomically(path, AccountsText(engineers), &why)) {
        err << "Файл " << path << " не записан: " << why << "\n";
        return false;
    }
    ::chmod(path.c_str(), 0644);   // readable by the program, writable by root alone
    return true;
}

} // namespace

bool RunEngineerCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                        int* exitCode)
{
    if (args.empty() || (args[0] != "--add-engineer" && args[0] != "--remove-engineer"))
        return false;
    const bool add = args[0] == "--add-engineer";
    auto done = [exitCode](int code) {
        *exitCode = code;
        return true;
    };
    if (args.size() != 2 || !ValidEngineerName(args[1])) {
        err << "Использование: kavrel " << args[0] << " ИМЯ\n"
            << "(имя до 40 знаков, без двоеточия и без пробелов в начале и в конце)\n";
        return done(2);
    }
    const std::string& name = args[1];
    const std::string path = EngineersPath();
    std::vector<TEngineer> engineers;
    if (FileExists(path)) {
        if (std::string why = UnsafeAccountsFile(path); !why.empty()) {
            err << "Файл учетных записей отклонен: " << why << ".\n";
            return done(1);
        }
        std::string bytes;
        if (!ReadWholeFile(path, bytes)) {
            err << "Файл " << path << " не читается: " << FileErrorText(errno) << "\n";
            return done(1);
        }
        std::vector<int> damaged;
        engineers = ParseAccounts(bytes, &damaged);
        if (!damaged.empty()) {
            err << "В файле " << path << " есть строки, которые не являются учетными записями (строка "
                << damaged.front() << "); исправьте файл вручную.\n";
            return done(1);
        }
    }
    auto it = engineers.begin();
    while (it != engineers.end() && it->Name != name)
        ++it;

    if (!add) {
        if (it == engineers.end()) {
            err << "Наладчика «" << name << "» нет в " << path << ".\n";
            return done(1);
        }
        engineers.erase(it);
        if (!Save(path, engineers, err))
            return done(1);
        out << "Учетная запись «" << name << "» удалена из " << path << ".\n";
        return done(0);
    }

    std::string first, second;
    if (!AskPassword(in, out, "Пароль: ", first) || !AskPassword(in, out, "Пароль еще раз: ", second)) {
        err << "Пароль не введен.\n";
        return done(1);
    }
    if (first != second) {
        err << "Пароли не совпадают; ничего не изменено.\n";
        return done(1);
    }
    if (first.size() < 6) {
        err << "Пароль короче 6 знаков; ничего не изменено.\n";
        return done(1);
    }
    std::string hash;
    try {
        hash = HashPassword(first);
    } catch (const std::exception& e) {
        err << "Пароль не принят: " << e.what() << "\n";
        return done(1);
    }
    const bool known = it != engineers.end();
    if (known)
        it->Hash = hash;
    else
        engineers.push_back({name, hash});
    if (!Save(path, engineers, err))
        return done(1);
    out << (known ? "Пароль наладчика «" : "Наладчик «") << name << (known ? "» изменен в " : "» добавлен в ") << path
        << ".\n";
    return done(0);
}
