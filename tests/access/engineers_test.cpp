// The engineer accounts: kavrel --add-engineer / --remove-engineer on a file
// of KAVREL_ENGINEERS, what the program then reads of it, and the files it
// refuses.
#include "EngineerCommand.h"
#include "Engineers.h"

#include "Files.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <sys/stat.h>

namespace {

struct TRun {
    int code = -1;
    std::string out, err;
};

TRun Command(std::vector<std::string> args, const std::string& typed = "")
{
    std::istringstream in(typed);
    std::ostringstream out, err;
    TRun r;
    EXPECT_TRUE(RunEngineerCommand(args, in, out, err, &r.code));
    r.out = out.str();
    r.err = err.str();
    return r;
}

mode_t Mode(const char* path)
{
    struct stat st {};
    ::stat(path, &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(Engineers, AddedChangedRemovedAndReadBackWithoutEverShowingAHash)
{
    TempDir dir;
    ::chmod(".", 0755);
    const std::string file = (dir.Path() / "engineers").string();
    ::setenv("KAVREL_ENGINEERS", file.c_str(), 1);

    EXPECT_FALSE(RunEngineerCommand({}, std::cin, std::cout, std::cerr, nullptr));
    EXPECT_EQ(Command({"--add-engineer", "Иванов И.И."}, "secret-1\nsecret-2\n").err,
              "Пароли не совпадают; ничего не изменено.\n");
    EXPECT_EQ(Command({"--add-engineer", "Иванов И.И."}, "abc\nabc\n").err, "Пароль короче 6 знаков; ничего не изменено.\n");
    EXPECT_EQ(Command({"--add-engineer", "a:b"}).code, 2);
    EXPECT_FALSE(FileExists(file));

    TRun added = Command({"--add-engineer", "Иванов И.И."}, "secret-1\nsecret-1\n");
    EXPECT_EQ(added.code, 0) << added.err;
    EXPECT_EQ(added.out, "Пароль: Пароль еще раз: Наладчик «Иванов И.И.» добавлен в " + file + ".\n");
    EXPECT_EQ(Command({"--add-engineer", "Петров П.П."}, "secret-2\r\nsecret-2\r\n").code, 0);
    EXPECT_EQ(Mode(file.c_str()), 0644u);

    TAccounts accounts = LoadAccounts(file);
    ASSERT_EQ(accounts.State, TAccountsState::Ready) << accounts.Problem;
    ASSERT_EQ(accounts.Engineers.size(), 2u);
    EXPECT_TRUE(PasswordMatches(accounts.Engineers[0], "secret-1"));
    EXPECT_FALSE(PasswordMatches(accounts.Engineers[0], "secret-2"));
    EXPECT_TRUE(PasswordMatches(accounts.Engineers[1], "secret-2"));   // the CR of the terminal is no part of it
    const std::string oldHash = accounts.Engineers[0].Hash;

    // A new password; the other account stays.
    TRun changed = Command({"--add-engineer", "Иванов И.И."}, "secret-3\nsecret-3\n");
    EXPECT_NE(changed.out.find("Пароль наладчика «Иванов И.И.» изменен"), std::string::npos);
    accounts = LoadAccounts(file);
    EXPECT_TRUE(PasswordMatches(accounts.Engineers[0], "secret-3"));
    EXPECT_NE(accounts.Engineers[0].Hash, oldHash);   // salted anew

    EXPECT_EQ(Command({"--remove-engineer", "Сидоров"}).err, "Наладчика «Сидоров» нет в " + file + ".\n");
    EXPECT_EQ(Command({"--remove-engineer", "Иванов И.И."}).code, 0);
    accounts = LoadAccounts(file);
    ASSERT_EQ(accounts.Engineers.size(), 1u);
    EXPECT_EQ(accounts.Engineers[0].Name, "Петров П.П.");
    std::string all;
    for (const auto& r : {added, changed})
        all += r.out + r.err;
    EXPECT_EQ(all.find("argon2"), std::string::npos);

    // Files the program refuses: writable by others, in a folder others may
    // write; none at all is the old behaviour.
    ::chmod(file.c_str(), 0664);
    accounts = LoadAccounts(file);
    EXPECT_EQ(accounts.State, TAccountsState::Refused);
    EXPECT_EQ(accounts.Problem, "файл " + file + " может изменить не только его владелец");
    EXPECT_EQ(Command({"--remove-engineer", "Петров П.П."}).code, 1);   // nor does the command touch it
    ::chmod(file.c_str(), 0644);
    ::chmod(".", 0777);
    EXPECT_EQ(LoadAccounts(file).Problem, "папку " + dir.Path().string() + " может изменить не только его владелец");
    ::chmod(".", 0755);
    EXPECT_EQ(LoadAccounts((dir.Path() / "none").string()).State, TAccountsState::None);
    ASSERT_TRUE(WriteFileAtomically(file, "# nobody\n"));
    EXPECT_EQ(LoadAccounts(file).Problem, "в файле " + file + " нет ни одной учетной записи");
    ::unsetenv("KAVREL_ENGINEERS");
}
