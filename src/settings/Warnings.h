#pragma once
// The warnings shown when a file of the working folder cannot be opened.
#include <functional>
#include <string>

// Shows a warning text to the user (warning icon, OK and Cancel; the answer
// is not used). The program's start installs a message box here; until then,
// and in tests, the text is only kept in LastWarning.
extern std::function<void(const std::string& text)> ShowWarning;
extern std::string LastWarning;

// "Файл " + name + "  не найден." + "Будет создан новый файл" + "Проверьте установки в программе"
std::string FileMissingText(const std::string& fileName);
// "Файл " + name + "  не найден."
std::string FileNotFoundText(const std::string& fileName);

// Each checks the outcome of the last open: when it failed, shows its
// warning and returns true; otherwise returns false.
bool FileMissingWarning(const std::string& fileName, bool openFailed);
bool FileNotFoundWarning(const std::string& fileName, bool openFailed);
