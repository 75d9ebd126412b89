#include "WriteCheck.h"

#include "Registers.h"

#include <algorithm>

bool TWrittenWord::Kept() const
{
    if (!Read)
        return false;
    return *Read == Written || (CountsUp && *Read == ((Written + 1) & 0xFFFF));
}

std::vector<TWrittenWord> TWriteVerdict::Differing() const
{
    std::vector<TWrittenWord> out;
    for (const TWrittenWord& w : Words)
        if (!w.Kept())
            out.push_back(w);
    return out;
}

void TWriteCheck::Begin(std::span<const TCommandItem> items)
{
    words_.clear();
    for (const TCommandItem& item : items) {
        if (item[0] != LetterWrite || item[1] != Bank2)
            continue;
        const int address = item[2];
        const std::int32_t value = item[3] * 256 + item[4];
        auto it = std::find_if(words_.begin(), words_.end(),
                               [address](const TWrittenWord& w) { return w.Address == address; });
        if (it == words_.end())
            words_.push_back({address, value, std::nullopt});
        else
            it->Written = value;
    }
    active_ = !words_.empty();
}

void TWriteCheck::Read(int bank, int address, std::int32_t value)
{
    if (!active_ || bank != Bank2)
        return;
    for (TWrittenWord& w : words_)
        if (w.Address == address)
            w.Read = value;
}

void TWriteCheck::Rewrite(int address, std::int32_t value)
{
    for (TWrittenWord& w : words_)
        if (w.Address == address)
            w.Written = value;
}

void TWriteCheck::CountsUp(int address)
{
    for (TWrittenWord& w : words_)
        if (w.Address == address)
            w.CountsUp = true;
}

TWriteVerdict TWriteCheck::Finish()
{
    TWriteVerdict v;
    v.Words = words_;
    v.Confirmed = active_ && v.Differing().empty();
    active_ = false;
    return v;
}

TWriteVerdict TWriteCheck::Abort(WriteCut why)
{
    TWriteVerdict v;
    v.Words = words_;
    v.Cut = why;
    v.Confirmed = false;
    active_ = false;
    return v;
}

std::vector<TCommandItem> TWriteCheck::ReadBackItems() const
{
    std::vector<TCommandItem> items;
    for (const TWrittenWord& w : words_)
        items.push_back(ReadItem(Bank2, static_cast<std::uint8_t>(w.Address)));
    return items;
}

std::string UnconfirmedText(const TWriteVerdict& verdict, const std::string& what)
{
    std::string text = "Запись не подтверждена: " + what + ".\n";
    switch (verdict.Cut) {
    case WriteCut::None:
        text += "Прибор хранит не то, что в него записано.";
        break;
    case WriteCut::NoReply:
        text += "Прибор перестал отвечать, записанное не прочитано обратно.";
        break;
    case WriteCut::Closed:
        text += "Обмен прерван до проверки записанного.";
        break;
    }
    for (const TWrittenWord& w : verdict.Differing()) {
        text += "\nслово " + std::to_string(w.Address) + ": записано " + std::to_string(w.Written) + ", ";
        text += w.Read ? "прочитано " + std::to_string(*w.Read) : std::string("не прочитано");
    }
    text += "\nПроверьте связь с прибором и запишите снова.";
    return text;
}

std::string ConfirmedText(const TWriteVerdict& verdict, const std::string& what)
{
    return "Запись подтверждена: " + what + ", слов прочитано обратно: " + std::to_string(verdict.Words.size()) + ".";
}
