#include "RegisterCheck.h"

#include "Cp1251.h"
#include "Files.h"
#include "TestFiles.h"

#include <array>
#include <charconv>
#include <deque>
#include <future>
#include <string_view>
#include <unordered_map>

namespace {

// Records are hashed in batches on other threads, two at a time, while the
// next batch is read: hashing takes most of the check's time. Batches go
// back and forth without being freed, so that no thread allocates what
// another frees.
constexpr std::size_t kBatch = 4096;
constexpr std::size_t kHashing = 2;

struct Link {
    long long number = 0;
    std::string previousChain; // as stored in the record before
    std::string input;         // the record's chain input
    std::string chain;         // as stored
};
struct Batch {
    std::vector<Link> links;
    std::size_t used = 0;
    std::vector<long long> broken; // numbers whose chain value does not match

    Link& Next()
    {
        if (used == links.size())
            links.emplace_back();
        return links[used++];
    }
};

Batch Verify(Batch batch)
{
    for (std::size_t i = 0; i < batch.used; ++i) {
        const Link& l = batch.links[i];
        if (!ChainMatches(l.previousChain, l.input, l.chain))
            batch.broken.push_back(l.number);
    }
    return batch;
}

// 1..12 for "Test_01.txt" .. "Test_12.txt", else 0.
int MonthOfFile(std::string_view name)
{
    for (int m = 1; m <= 12; ++m)
        if (name == MonthFileNameFor(m))
            return m;
    return 0;
}

// One month file read line by line beside the records, while they agree.
struct MonthFile {
    bool loaded = false;
    std::string text; // UTF-8
    std::size_t at = 0;
    long long lineNumber = 0;
    bool diverged = false;
    std::vector<std::pair<long long, std::string>> unmatched; // records after the divergence: number, line

    void Load(int month)
    {
        std::string bytes;
        if (ReadWholeFile(MonthFileNameFor(month), bytes))
            text = FromCp1251(bytes);
        loaded = true;
    }
    // The next non-empty line (no line end), or none.
    std::optional<std::string_view> Peek(long long* number) const
    {
        std::size_t start = at;
        long long n = lineNumber;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::size_t stop = end;
            if (stop > start && text[stop - 1] == '\r')
                --stop;
            if (stop > start) {
                *number = n + 1;
                return std::string_view(text).substr(start, stop - start);
            }
            start = end + 1;
        }
        return std::nullopt;
    }
    void Take(long long number, std::string_view line)
    {
        at = static_cast<std::size_t>(line.data() - text.data()) + line.size();
        lineNumber = number;
    }
};

// The first finding of a kind by number, and their count; the records are
// read for the message at the end.
struct Tally {
    long long first = 0;
    long long count = 0;
    RegisterFinding::Kind kind = RegisterFinding::Kind::Changed;
    long long from = 0, to = 0;

    void Note(long long number, RegisterFinding::Kind k, long long missingFrom = 0, long long missingTo = 0)
    {
        ++count;
        if (first == 0 || number < first) {
            first = number;
            kind = k;
            from = missingFrom;
            to = missingTo;
        }
    }
};

void NoteUnrecorded(RegisterCheck& c, int month, long long number, std::string_view line)
{
    UnrecordedLine u{month, number, std::string(line)};
    ++c.unrecordedLines;
    if (!c.unrecorded) {
        c.unrecorded = RegisterFinding{};
        c.unrecorded->kind = RegisterFinding::Kind::Unrecorded;
        c.unrecorded->line = u;
    }
    if (c.unrecordedList.size() < RegisterCheck::UnrecordedKept)
        c.unrecordedList.push_back(std::move(u));
}

// The end of a month file: its lines not yet matched, against the records
// after a divergence and the pending records, by content.
void FinishFile(RegisterCheck& c, Tally& gone, int month, MonthFile& f, const std::deque<RegisterRecord>& pending)
{
    std::vector<std::pair<long long, std::string_view>> expected;
    for (const auto& [number, line] : f.unmatched)
        expected.emplace_back(number, line);
    for (const RegisterRecord& p : pending)
        if (p.monthFile == MonthFileNameFor(month) && p.note != NoteLineNotWritten)
            expected.emplace_back(0, p.line);

    std::unordered_map<std::string_view, std::vector<std::size_t>> waiting;
    for (std::size_t i = expected.size(); i-- > 0;)
        waiting[expected[i].second].push_back(i); // the first at the back
    std::vector<bool> found(expected.size(), false);
    long long number = 0;
    while (auto line = f.Peek(&number)) {
        f.Take(number, *line);
        auto it = waiting.find(*line);
        if (it != waiting.end() && !it->second.empty()) {
            found[it->second.back()] = true;
            it->second.pop_back();
        } else {
            NoteUnrecorded(c, month, number, *line);
        }
    }
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (!found[i] && expected[i].first > 0)
            gone.Note(expected[i].first, RegisterFinding::Kind::LineGone);
}

std::optional<RegisterFinding> FindingOf(RegisterStore& store, const Tally& t)
{
    if (t.count == 0)
        return std::nullopt;
    RegisterFinding f;
    f.kind = t.kind;
    f.missingFrom = t.from;
    f.missingTo = t.to;
    RegisterError ignored;
    if (t.kind != RegisterFinding::Kind::TailGone && t.kind != RegisterFinding::Kind::Unguarded)
        f.record = store.RecordNumbered(t.first, &ignored).value_or(RegisterRecord{});
    f.record.number = t.first;
    return f;
}

} // namespace

RegisterCheck CheckRegister(RegisterStore& store, const std::deque<RegisterRecord>& pending)
{
    RegisterCheck c;
    std::array<MonthFile, 13> files;
    Tally chain, gone;
    long long last = 0;
    std::string previousChain;
    Batch batch;
    std::vector<Batch> spare;
    std::deque<std::future<Batch>> hashing;

    auto collect = [&chain, &spare](Batch done) {
        for (long long number : done.broken)
            chain.Note(number, RegisterFinding::Kind::Changed);
        done.broken.clear();
        done.used = 0;
        spare.push_back(std::move(done));
    };
    auto send = [&] {
        if (hashing.size() == kHashing) {
            collect(hashing.front().get());
            hashing.pop_front();
        }
        hashing.push_back(std::async(std::launch::async, Verify, std::move(batch)));
        if (spare.empty()) {
            batch = Batch{};
        } else {
            batch = std::move(spare.back());
            spare.pop_back();
        }
    };

    RegisterError error;
    const bool read = store.ReadChain([&](const ChainRow& r) {
        ++c.records;
        const bool gap = r.number != last + 1;
        if (gap)
            chain.Note(r.number, RegisterFinding::Kind::Gap, last + 1, r.number - 1);
        if (r.fields[13] != NoteLineNotWritten) {
            const int month = MonthOfFile(r.fields[11]);
            MonthFile& f = files[static_cast<std::size_t>(month)];
            if (month == 0) {
                gone.Note(r.number, RegisterFinding::Kind::LineGone);
            } else {
                if (!f.loaded)
                    f.Load(month);
                long long number = 0;
                const auto line = f.diverged ? std::nullopt : f.Peek(&number);
                if (line && *line == r.fields[12]) {
                    f.Take(number, *line);
                } else {
                    f.diverged = true;
                    f.unmatched.emplace_back(r.number, std::string(r.fields[12]));
                }
            }
        }
        // A record after a gap follows one that is gone: its chain value
        // cannot match and is not told twice.
        if (!gap) {
            Link& link = batch.Next();
            link.number = r.number;
            link.previousChain = previousChain;
            PutChainInput(link.input, r.fields);
            link.chain.assign(r.chain);
            if (batch.used == kBatch)
                send();
        }
        previousChain.assign(r.chain);
        last = r.number;
        return true;
    }, &error);
    for (auto& h : hashing)
        collect(h.get());
    collect(Verify(std::move(batch)));
    if (!read) {
        c.failed = error;
        return c;
    }

    const long long highest = store.HighestNumber(&error);
    if (highest > last)
        chain.Note(last + 1, RegisterFinding::Kind::TailGone, last + 1, highest);
    if (!store.GuardsInPlace(&error))
        chain.Note(std::max(highest, last) + 1, RegisterFinding::Kind::Unguarded);
    // The months' lines after the last record: the pending tests', then any
    // typed in.
    for (int m = 1; m <= 12; ++m) {
        MonthFile& f = files[static_cast<std::size_t>(m)];
        if (!f.loaded)
            f.Load(m);
        FinishFile(c, gone, m, f, pending);
    }
    c.chain = FindingOf(store, chain);
    c.chainFindings = chain.count;
    c.lineGone = FindingOf(store, gone);
    c.linesGone = gone.count;
    return c;
}
