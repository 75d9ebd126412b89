#pragma once
// The command line that manages the accounts file:
//   kavrel --add-engineer NAME      asks for the password twice, adds the
//                                   account or gives it the new password
//   kavrel --remove-engineer NAME
// The password is read from the terminal without echo (from standard input
// when that is no terminal, one line each, for scripts). The file is
// replaced in one step and made readable by all, writable by its owner only.
#include <iosfwd>
#include <string>
#include <vector>

// True when the arguments are one of these commands; `exitCode` gets the
// result (0 done, 1 refused, 2 wrong use). Messages go to `out`/`err`.
bool RunEngineerCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                        int* exitCode);
