#pragma once
// Building command lists: the window fills CommandList through these and
// then starts it with the exchange engine.
#include "ExchangeGlobals.h"

#include <initializer_list>
#include <span>
#include <vector>

// Letter 0 in all 65 items.
void ClearCommandList();

// Clears the list, copies `items` into items 0..n-1 and leaves item n with
// letter 0. A list holds at most 64 items (the 65th ends it); a longer one
// throws std::length_error and leaves CommandList cleared.
void FillCommandList(std::span<const TCommandItem> items);

// Read items for `addresses` of `bank`, in order.
std::vector<TCommandItem> ReadItems(std::uint8_t bank, std::initializer_list<int> addresses);
// Appends reads of bank addresses first..last (inclusive) to `list`.
void AppendReads(std::vector<TCommandItem>& list, std::uint8_t bank, int first, int last);
