#include "Engineers.h"

#include "Files.h"

#include <sodium.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::size_t Chars(const std::string& utf8)
{
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

bool Sodium()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::string Folder(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Who may write what `st` describes besides its owner, and whether the owner
// is one the program trusts.
std::string Unsafe(const struct stat& st, const std::string& what, bool rootOnly)
{
    // The system's file is root's; one named by KAVREL_ENGINEERS may be the
    // user's own (a bench, the tests).
    if (st.st_uid != 0 && (rootOnly || st.st_uid != ::geteuid()))
        return what + (rootOnly ? " принадлежит не root" : " принадлежит другому пользователю");
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return what + " может изменить не только его владелец";
    return {};
}

} // namespace

std::string EngineersPath()
{
    const char* env = std::getenv("KAVREL_ENGINEERS");
    return env && *env ? std::string(env) : std::string(DefaultEngineersPath);
}

bool ValidEngineerName(const std::string& name)
{
    const std::size_t n = Chars(name);
    if (n == 0 || n > 40 || name.front() == ' ' || name.back() == ' ')
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == ':')
            return false;
    return true;
}

std::vector<TEngineer> ParseAccounts(const std::string& bytes, std::vector<int>* damaged)
{
    std::vector<TEngineer> engineers;
    int number = 0;
    std::size_t from = 0;
    while (from <= bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        const bool last = end == std::string::npos;
        if (last)
            end = bytes.size();
        std::string line = bytes.substr(from, end - from);
        from = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#') {
            if (last)
                break;
            continue;
        }
        const auto colon = line.find(':');
        TEngineer e;
        if (colon != std::string::npos) {
            e.Name = line.substr(0, colon);
            e.Hash = line.substr(colon + 1);
        }
        // An Argon2id string is printable ASCII without blanks.
        bool printable = true;
        for (unsigned char c : e.Hash)
            printable = printable && c > 0x20 && c < 0x7F;
        bool duplicate = false;
        for (const TEngineer& known : engineers)
            duplicate = duplicate || known.Name == e.Name;
        if (colon == std::string::npos || !ValidEngineerName(e.Name) || !printable || e.Hash.rfind("$argon2id$", 0) != 0
            || e.Hash.size() >= crypto_pwhash_STRBYTES || duplicate) {
            if (damaged)
                damaged->push_back(number);
        } else {
            engineers.push_back(std::move(e));
        }
        if (last)
            break;
    }
    return engineers;
}

std::string AccountsText(const std::vector<TEngineer>& engineers)
{
    std::string text = "# Учетные записи наладчиков программы kavrel: имя:хэш пароля (Argon2id).\n"
                       "# Изменяются командами kavrel --add-engineer и --remove-engineer.\n";
    for (const TEngineer& e : engineers)
        text += e.Name + ":" + e.Hash + "\n";
    return text;
}

std::string UnsafeAccountsFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "файл " + path + " не читается: " + FileErrorText(errno);
    if (!S_ISREG(st.st_mode))
        return path + " не обычный файл";
    const bool rootOnly = path == DefaultEngineersPath;
    if (std::string why = Unsafe(st, "файл " + path, rootOnly); !why.empty())
        return why;
    struct stat dir {};
    const std::string folder = Folder(path);
    if (::stat(folder.c_str(), &dir) != 0)
        return "папка " + folder + " не читается: " + FileErrorText(errno);
    return Unsafe(dir, "папку " + folder, rootOnly);
}

TAccounts LoadAccounts(const std::string& path)
{
    TAccounts accounts;
    accounts.Path = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT)
        return accounts;   // no accounts: as it always was
    accounts.State = TAccountsState::Refused;
    if (std::string why = UnsafeAccountsFile(path); !why.empty()) {
        accounts.Problem = why;
        return accounts;
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        accounts.Problem = "файл " + path + " не читается: " + FileErrorText(errno);
        return accounts;
    }
    accounts.Engineers = ParseAccounts(bytes, &accounts.DamagedLines);
    if (accounts.Engineers.empty()) {
        accounts.Problem = "в файле " + path + " нет ни одной учетной записи";
        return accounts;
    }
    if (!Sodium()) {
        accounts.Problem = "библиотека libsodium не запустилась";
        return accounts;
    }
    accounts.State = TAccountsState::Ready;
    return accounts;
}

std::string HashPassword(const std::string& password)
{
    if (!Sodium())
        throw std::runtime_error("библиотека libsodium не запустилась");
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        throw std::runtime_error("не хватило памяти для хэша пароля");
    return hash;
}

bool PasswordMatches(const TEngineer& engineer, const std::string& password)
{
    if (!Sodium() || engineer.Hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(engineer.Hash.c_str(), password.data(), password.size()) == 0;
}

namespace {
TAccounts& Accounts()
{
    static TAccounts accounts;
    return accounts;
}
} // namespace

void LoadServiceAccounts()
{
    Accounts() = LoadAccounts(EngineersPath());
}

const TAccounts& ServiceAccounts()
{
    return Accounts();
}
