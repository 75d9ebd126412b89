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

// The message of a file that opened but could not be written (a full disk,
// something in the way of its temporary file): the file and the reason.
std::string WriteFailureText(const std::string& fileName, const std::string& reason);

// Replaces a file of the working folder (see ReplaceFile) and answers a
// failure as the program's fixed-layout files do: a file that cannot be
// opened or created shows the long warning and returns false; one that
// opened but could not be written raises EInOutError with WriteFailureText.
bool SaveFileOrWarn(const std::string& fileName, const std::string& bytes);
