#include "Warnings.h"

#include "Files.h"

std::string LastWarning;
std::function<void(const std::string& text)> ShowWarning;

namespace {

void Warn(const std::string& text)
{
    LastWarning = text;
    if (ShowWarning)
        ShowWarning(text);
}

} // namespace

std::string FileNotFoundText(const std::string& fileName)
{
    return "Файл " + fileName + "  не найден.";
}

std::string FileMissingText(const std::string& fileName)
{
    return FileNotFoundText(fileName) + "Будет создан новый файл" + "Проверьте установки в программе";
}

bool FileMissingWarning(const std::string& fileName, bool openFailed)
{
    if (openFailed)
        Warn(FileMissingText(fileName));
    return openFailed;
}

bool FileNotFoundWarning(const std::string& fileName, bool openFailed)
{
    if (openFailed)
        Warn(FileNotFoundText(fileName));
    return openFailed;
}

std::string WriteFailureText(const std::string& fileName, const std::string& reason)
{
    return "Не удалось записать файл " + fileName + ".\n" + reason + ".";
}

bool SaveFileOrWarn(const std::string& fileName, const std::string& bytes)
{
    const TFileWrite result = ReplaceFile(fileName, bytes);
    if (result.Written)
        return true;
    if (!result.Opened) {
        FileMissingWarning(fileName, true);
        return false;
    }
    throw EInOutError(WriteFailureText(fileName, result.Reason));
}
