#include "SensorExchange.h"

#include "Adjusting.h"
#include "CommandLists.h"
#include "Registers.h"

#include <algorithm>
#include <utility>

std::vector<TCommandItem> NumberReadList()
{
    std::vector<TCommandItem> list = ReadItems(Bank1, {0, 1, 2, 3, 9, 10, 11});
    for (int address : {27, 31, 28, 29, 30})
        list.push_back(ReadItem(Bank2, static_cast<std::uint8_t>(address)));
    return list;
}

std::vector<TCommandItem> NumberWriteList()
{
    std::vector<TCommandItem> list;
    for (int address : {27, 31, 27, 31, 27, 31, 28, 29, 30})
        list.push_back(WriteItem(Bank2, static_cast<std::uint8_t>(address), Data_Sen[address]));
    return list;
}

TSensorExchange::TSensorExchange(const bool& readingFlag) : readingFlag_(readingFlag)
{
    Engine.Hooks.ReadStored = [this](int bank, int address, std::int32_t value) {
        silentTicks_ = 0;
        if (writeList_ && writeName_ == TableWriteName)
            kept_.Read(bank, address, value, check_);
        if (readingBack_)
            check_.Read(bank, address, value);
        if (ProgressRd < ProgressMax) {
            ++ProgressRd;
            ShowProgress();
        }
    };
    Engine.Hooks.ItemSent = [this](std::uint8_t letter) {
        silentTicks_ = 0; // sent on an answer (or at the list's start)
        // The bar counts the write frames sent after the first.
        if (letter == LetterWrite && !starting_ && ProgressWr < ProgressMax) {
            ++ProgressWr;
            ShowProgress();
        }
    };
    Engine.Hooks.ListEnd = [this] { ListEnd(); };
    Engine.Hooks.BadItem = [this] {
        busy_ = polling_ = false;
        CutWrite(WriteCut::Closed);
        if (Hooks.BadItem)
            Hooks.BadItem();
    };
}

void TSensorExchange::ShowProgress()
{
    if (Hooks.Progress)
        Hooks.Progress();
}

std::optional<SensorPointTable> LastReadPoints()
{
    SensorTable table{};
    bool read = false;
    for (int a = 0; a < SensorTableSize; ++a) {
        table[a] = Bank2Image[a];
        read = read || (a <= Reg2::TopThreshold && table[a] != 0);
    }
    if (!read)
        return std::nullopt;
    return PointsFromSensorTable(table);
}

void TSensorExchange::SetTimer(bool on)
{
    if (Engine.Hooks.SetTimer)
        Engine.Hooks.SetTimer(on, Engine.Policy.TimerPeriodMs);
}

void TSensorExchange::Start(const std::vector<TCommandItem>& items)
{
    writeList_ = false;
    readingBack_ = false;
    busy_ = true;
    polling_ = false;
    silentTicks_ = 0;
    Engine.IdleTicks = 0;
    starting_ = true;
    Engine.StartList(items, BatchEnd);
    starting_ = false;
}

void TSensorExchange::StartNumberRead()
{
    CutWrite(WriteCut::Closed); // a write still unread is never confirmed
    Start(NumberReadList());
    ProgressRd = 0;
    ShowProgress();
}

void TSensorExchange::StartWrite(const std::vector<TCommandItem>& items, std::vector<TCommandItem> readBack,
                                 const char* what)
{
    CutWrite(WriteCut::Closed);
    check_.Begin(items);
    readBack_ = std::move(readBack);
    writeName_ = what;
    Start(items);
    writeList_ = true;
    ProgressWr = 0;
    ShowProgress();
}

void TSensorExchange::StartNumberWrite()
{
    std::vector<int> before, after;
    for (int word : {27, 31, 28, 29, 30}) {
        before.push_back(Bank2Image[word]);
        after.push_back(Data_Sen[word]);
    }
    journalDetails_ = NumberDetails(before, after);
    // The number read list reads 27, 31 and 28..30 back.
    StartWrite(NumberWriteList(), NumberReadList(), NumberWriteName);
    check_.CountsUp(Reg2::Statistics05to09); // the operating time, a step every 12 minutes
}

void TSensorExchange::StartTableWrite(std::vector<std::string> journalDetails)
{
    journalDetails_ = std::move(journalDetails);
    // Words 11 and 13 read first and written as the instrument holds them;
    // words 0..24 read back, then the numbers as after any write: 37 items.
    const std::vector<TCommandItem> items = kept_.WriteList();
    TWriteCheck words;
    words.Begin(items);
    std::vector<TCommandItem> readBack = words.ReadBackItems();
    for (const TCommandItem& item : NumberReadList())
        readBack.push_back(item);
    StartWrite(items, std::move(readBack), TableWriteName);
}

void TSensorExchange::WriteOver(const TWriteVerdict& verdict)
{
    readingBack_ = false;
    std::vector<std::string> details = journalDetails_;
    if (writeName_ == TableWriteName) {
        // Every word of the table is written, so the read-back alone says
        // what the instrument holds.
        details.push_back(HeldAfterWrite(verdict, {}));
        for (std::string& d : kept_.Details(verdict))
            details.push_back(std::move(d));
    }
    if (Hooks.Journal)
        Hooks.Journal(ServiceEntryNow(writeName_ == NumberWriteName ? JournalNumbers : JournalCharacteristic,
                                      verdict.Confirmed, details));
    if (Hooks.WriteChecked)
        Hooks.WriteChecked(verdict, writeName_);
}

bool TSensorExchange::CutWrite(WriteCut why)
{
    writeList_ = false;
    const bool cut = check_.Active();
    if (cut)
        WriteOver(check_.Abort(why));
    readingBack_ = false;
    return cut;
}

void TSensorExchange::ListEnd()
{
    ProgressRd = 0;
    ProgressWr = 0;
    ShowProgress();
    const bool writeList = writeList_;
    if (Hooks.ListEnd)
        Hooks.ListEnd(writeList);
    if (writeList) {
        // Every write is read back.
        SetTimer(false);
        ExchangeState = ExchangeIdle;
        PointsFromSensorTable();
        const std::vector<TCommandItem> readBack = readBack_;
        Start(readBack);
        readingBack_ = check_.Active();
        ProgressRd = 0;
        ShowProgress();
        return;
    }
    CommandIndex = 0;
    busy_ = false;
    if (readingBack_)
        WriteOver(check_.Finish());
    if (readingFlag_) {
        // The tick starts the next list after two quiet ticks.
        polling_ = true;
        Engine.IdleTicks = PauseStart;
        return;
    }
    // Nothing more is awaited: a stray reply must not run the list again.
    ExchangeState = ExchangeIdle;
    if (Hooks.Done)
        Hooks.Done();
}

void TSensorExchange::Tick()
{
    if (!readingFlag_) {
        if (busy_) {
            // A list with no answer is given up; until then the outstanding
            // frame goes out again, so a lost or broken reply costs a tick.
            if (++silentTicks_ > SilentLimit) {
                SetTimer(false);
                ExchangeState = ExchangeIdle;
                busy_ = false;
                const bool cut = CutWrite(WriteCut::NoReply);
                if (Hooks.GaveUp)
                    Hooks.GaveUp(false, cut);
                return;
            }
            Engine.TickCounted();
            return;
        }
        SetTimer(false);
        if (polling_) {
            // The flag was cleared between two polled lists.
            polling_ = false;
            ExchangeState = ExchangeIdle;
            if (Hooks.Done)
                Hooks.Done();
        }
        return;
    }
    ++Engine.IdleTicks;
    if (Engine.IdleTicks > PauseStart) {
        if (Engine.IdleTicks <= PauseStart + 2)
            return; // the pause between two polled lists
        if (Engine.FrameLetter() == LetterWrite)
            StartNumberWrite();
        else
            StartNumberRead();
        Engine.IdleTicks = 0;
        // Goes on: the first frame of the new list is sent once more.
    }
    if (Engine.TickCounted() == TTickResult::GaveUp) {
        busy_ = polling_ = false;
        const bool cut = CutWrite(WriteCut::NoReply);
        if (Hooks.GaveUp)
            Hooks.GaveUp(true, cut);
    }
}

void TSensorExchange::Stop()
{
    if (Busy())
        ExchangeState = ExchangeIdle;
    busy_ = polling_ = false;
    SetTimer(false);
    CutWrite(WriteCut::Closed);
}
