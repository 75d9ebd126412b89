#include "ExchangeGlobals.h"

std::int32_t ExchangeState = ExchangeIdle;
std::array<TCommandItem, CommandListSize> CommandList{};
std::int32_t CommandIndex = 0;
std::int32_t BatchEnd = 0;
std::array<std::int32_t, ReadValuesSize> ReadValues{};
std::int32_t ReadCount = 0;
std::array<std::int32_t, Bank2ImageSize> Bank2Image{};
std::array<std::int32_t, LiveValueCount> LiveValues{};

void ResetExchangeGlobals()
{
    ExchangeState = ExchangeIdle;
    CommandList = {};
    CommandIndex = 0;
    BatchEnd = 0;
    ReadValues = {};
    ReadCount = 0;
    Bank2Image = {};
    LiveValues = {};
}
