#include "CommandLists.h"

#include <stdexcept>

void ClearCommandList()
{
    for (TCommandItem& item : CommandList)
        item.fill(0);
}

void FillCommandList(std::span<const TCommandItem> items)
{
    ClearCommandList();
    if (items.size() > CommandListSize - 1)
        throw std::length_error("command list longer than 64 items");
    for (std::size_t i = 0; i < items.size(); ++i)
        CommandList[i] = items[i];
}

std::vector<TCommandItem> ReadItems(std::uint8_t bank, std::initializer_list<int> addresses)
{
    std::vector<TCommandItem> list;
    list.reserve(addresses.size());
    for (int a : addresses)
        list.push_back(ReadItem(bank, static_cast<std::uint8_t>(a)));
    return list;
}

void AppendReads(std::vector<TCommandItem>& list, std::uint8_t bank, int first, int last)
{
    for (int a = first; a <= last; ++a)
        list.push_back(ReadItem(bank, static_cast<std::uint8_t>(a)));
}
