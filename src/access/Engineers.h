#pragma once
// Engineer accounts: who may open the adjustment window. They live in a
// file an operator of the post cannot change, "/etc/kavrel/engineers"
// (KAVREL_ENGINEERS names another one), one account a line:
//   NAME:HASH
// HASH is libsodium's Argon2id password string (salted, memory-hard; it
// names its own parameters). Empty lines and lines starting with "#" are
// comments. No text the program shows or writes ever carries a hash.
#include <string>
#include <vector>

inline constexpr const char* DefaultEngineersPath = "/etc/kavrel/engineers";

struct TEngineer {
    std::string Name;
    std::string Hash;
};

// What the start found.
enum class TAccountsState {
    None,     // no accounts file: the adjustment window opens as it always did
    Ready,    // accounts present: signing in is asked for
    Refused,  // a file that is unsafe or unreadable: the adjustment stays closed
};

struct TAccounts {
    TAccountsState State = TAccountsState::None;
    std::string Path;
    std::vector<TEngineer> Engineers;
    std::string Problem;            // why it was refused, in Russian
    std::vector<int> DamagedLines;  // line numbers (from 1) that are no account
};

// KAVREL_ENGINEERS when set, else the default path.
std::string EngineersPath();

// A name an account may have: 1..40 characters, no ":", no control
// characters, no blanks at either end.
bool ValidEngineerName(const std::string& name);

// The accounts in the bytes of a file; lines that are no account are told
// in `damaged` (their numbers), never taken.
std::vector<TEngineer> ParseAccounts(const std::string& bytes, std::vector<int>* damaged = nullptr);
std::string AccountsText(const std::vector<TEngineer>& engineers);

// The file's permissions, checked before anything is read: it must be a
// regular file owned by root (a file KAVREL_ENGINEERS names may also be the
// running user's), which neither its group nor others may write, in a folder
// of the same owner that neither may write either. Empty when safe,
// otherwise what is wrong.
std::string UnsafeAccountsFile(const std::string& path);

// Reads and checks the file at `path`.
TAccounts LoadAccounts(const std::string& path);

// The Argon2id string of a password (throws std::runtime_error when the
// library cannot be had or refuses, e.g. for lack of memory).
std::string HashPassword(const std::string& password);
// Whether the password is the account's; a damaged hash is no match.
bool PasswordMatches(const TEngineer& engineer, const std::string& password);

// The accounts of this run, read once at start from EngineersPath().
void LoadServiceAccounts();
const TAccounts& ServiceAccounts();
// Whether writing into an instrument needs a signed-in session: accounts are
// set up (or refused as unsafe, which opens nothing).
inline bool SignInRequired() { return ServiceAccounts().State != TAccountsState::None; }
