#include "KeptWords.h"

#include "Characteristic.h"
#include "CommandLists.h"
#include "ExchangeGlobals.h"
#include "Registers.h"

std::vector<TCommandItem> TKeptWords::WriteList(std::optional<std::int32_t> word11)
{
    chosen11_ = word11;
    before_ = {};
    std::vector<TCommandItem> list;
    for (int word : Words)
        list.push_back(ReadItem(Bank2, static_cast<std::uint8_t>(word)));
    for (int address = 0; address <= Reg2::TopThreshold; ++address)
        list.push_back(WriteItem(Bank2, static_cast<std::uint8_t>(address), Data_Sen[address]));
    return list;
}

void TKeptWords::Read(int bank, int address, std::int32_t value, TWriteCheck& check)
{
    if (bank != Bank2)
        return;
    for (std::size_t i = 0; i < Words.size(); ++i) {
        if (address != Words[i] || before_[i])
            continue;
        before_[i] = value;
        const std::int32_t written = address == Reg2::Coefficient && chosen11_ ? *chosen11_ : value;
        TCommandItem& item = CommandList[FirstWrite + address];
        if (item[0] == LetterWrite && item[1] == Bank2 && item[2] == address) {
            item = WriteItem(Bank2, static_cast<std::uint8_t>(address), written);
            check.Rewrite(address, written);
        }
    }
}

std::optional<std::int32_t> TKeptWords::Before(int word) const
{
    for (std::size_t i = 0; i < Words.size(); ++i)
        if (Words[i] == word)
            return before_[i];
    return std::nullopt;
}

std::vector<std::string> TKeptWords::Details(const TWriteVerdict& verdict) const
{
    std::vector<std::string> details;
    for (std::size_t i = 0; i < Words.size(); ++i) {
        std::string after = "не прочитано";
        for (const TWrittenWord& w : verdict.Words)
            if (w.Address == Words[i] && w.Read)
                after = std::to_string(*w.Read);
        const std::string before = before_[i] ? std::to_string(*before_[i]) : std::string("не прочитано");
        details.push_back("слово " + std::to_string(Words[i]) + " " + before + " -> " + after);
    }
    return details;
}

std::string HeldAfterWrite(const TWriteVerdict& verdict, std::array<int, SensorTableSize> table)
{
    for (const TWrittenWord& w : verdict.Words) {
        if (w.Address >= SensorTableSize)
            continue;
        if (!w.Read)
            return "в приборе неизвестны";
        table[w.Address] = *w.Read;
    }
    std::string text = "в приборе";
    for (int p : PointsFromSensorTable(std::span<const int, SensorTableSize>(table)))
        text += " " + std::to_string(p);
    return text;
}
