#include "StateFile.h"

#include "Files.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

namespace {

constexpr const char* kHeader = "kavrel-sim bank 2";
constexpr const char* kEnd = "end";

bool ReadNumber(const std::string& text, std::size_t& at, long& value)
{
    const char* first = text.data() + at;
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || end == first)
        return false;
    at = static_cast<std::size_t>(end - text.data());
    return true;
}

} // namespace

std::string FormatBank2(const TBank2& words)
{
    std::string out = std::string(kHeader) + "\n";
    for (std::size_t a = 0; a < words.size(); ++a)
        out += std::to_string(a) + " " + std::to_string(words[a]) + "\n";
    return out + kEnd + "\n";
}

bool ParseBank2(const std::string& text, TBank2& words, std::string& error)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        error = "its first line is not \"" + std::string(kHeader) + "\"";
        return false;
    }
    TBank2 read{};
    for (std::size_t a = 0; a < read.size(); ++a) {
        if (!std::getline(in, line)) {
            error = "it ends before address " + std::to_string(a);
            return false;
        }
        std::size_t at = 0;
        long address = -1;
        long value = -1;
        const bool ok = ReadNumber(line, at, address) && at < line.size() && line[at++] == ' '
            && ReadNumber(line, at, value) && at == line.size();
        if (!ok || address != static_cast<long>(a) || value < 0 || value > 65535) {
            error = "line " + std::to_string(a + 2) + " is not \"" + std::to_string(a) + " VALUE\" with VALUE 0..65535";
            return false;
        }
        read[a] = static_cast<std::int32_t>(value);
    }
    if (!std::getline(in, line) || line != kEnd) {
        error = "it has no \"end\" line after address 255";
        return false;
    }
    if (in.peek() != std::char_traits<char>::eof()) {
        error = "something follows its \"end\" line";
        return false;
    }
    words = read;
    return true;
}

TStateLoad LoadBank2(const std::string& path, TBank2& words, std::string& error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT)
        return TStateLoad::Missing;
    std::string text;
    if (!ReadWholeFile(path, text)) {
        error = std::string("it cannot be read: ") + std::strerror(errno);
        return TStateLoad::Damaged;
    }
    return ParseBank2(text, words, error) ? TStateLoad::Loaded : TStateLoad::Damaged;
}

bool SaveBank2(const std::string& path, const TBank2& words, std::string& error)
{
    return WriteFileAtomically(path, FormatBank2(words), &error);
}
