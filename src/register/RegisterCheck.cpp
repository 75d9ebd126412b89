#include "RegisterCheck.h"

#include "Cp1251.h"
#include "Files.h"
#include "TestFiles.h"

#include <array>
#include <future>
#include <string_view>
#include <unordered_map>

namespace {

// Records are hashed in batches on a second thread while the next batch is
// read: the check then takes about as long as the hashing alone.
constexpr std::size_t kBatch = 4096;

struct Link {
    std::string previousChain; // as stored in the record before
    RegisterRecord record;
};
struct Batch {
    std::vector<Link> links;
    std::vector<std::size_t> broken; // indices whose chain value does not match
};

Batch Verify(Batch batch)
{
    for (std::size_t i = 0; i < batch.links.size(); ++i) {
        const Link& l = batch.links[i];
        if (ChainValue(l.previousChain, l.record) != l.record.chain)
            batch.broken.push_back(i);
    }
    return batch;
}

// 1..12 for "Test_01.txt" .. "Test_12.txt", else 0.
int MonthOfFile(const std::string& name)
{
    for (int m = 1; m <= 12; ++m)
        if (name == MonthFileNameFor(m))
            return m;
    return 0;
}

// One month file read line by line beside the records, while they agree.
struct MonthFile {
    bool loaded = false;
    std::string bytes;
    std::size_t at = 0;
    long long lineNumber = 0;
    bool diverged = false;
    std::vector<RegisterRecord> unmatched; // records after the divergence

    // The next non-empty line (Windows-1251, no line end), or none.
    std::optional<std::string_view> Peek(long long* number) const
    {
        std::size_t start = at;
        long long n = lineNumber;
        while (start < bytes.size()) {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string::npos)
                end = bytes.size();
            std::size_t stop = end;
            if (stop > start && bytes[stop - 1] == '\r')
                --stop;
            if (stop > start) {
                *number = n + 1;
                return std::string_view(bytes).substr(start, stop - start);
            }
            start = end + 1;
        }
        return std::nullopt;
    }
    void Take(long long number, std::string_view line)
    {
        at = static_cast<std::size_t>(line.data() - bytes.data()) + line.size();
        lineNumber = number;
    }
};

RegisterFinding Finding(RegisterFinding::Kind kind, RegisterRecord record = {}, long long from = 0, long long to = 0)
{
    RegisterFinding f;
    f.kind = kind;
    f.record = std::move(record);
    f.missingFrom = from;
    f.missingTo = to;
    return f;
}

bool Earlier(const RegisterFinding& a, const std::optional<RegisterFinding>& b)
{
    return !b || a.record.number < b->record.number;
}

void NoteChain(RegisterCheck& c, RegisterFinding f)
{
    ++c.chainFindings;
    if (Earlier(f, c.chain))
        c.chain = std::move(f);
}

void NoteLineGone(RegisterCheck& c, const RegisterRecord& r)
{
    ++c.linesGone;
    if (!c.lineGone || r.number < c.lineGone->record.number)
        c.lineGone = Finding(RegisterFinding::Kind::LineGone, r);
}

void NoteUnrecorded(RegisterCheck& c, int month, long long number, std::string_view line)
{
    UnrecordedLine u{month, number, FromCp1251(line)};
    ++c.unrecordedLines;
    if (!c.unrecorded) {
        c.unrecorded = Finding(RegisterFinding::Kind::Unrecorded);
        c.unrecorded->line = u;
    }
    if (c.unrecordedList.size() < RegisterCheck::UnrecordedKept)
        c.unrecordedList.push_back(std::move(u));
}

// The end of a month file: its lines not yet matched against the records
// after a divergence and the pending records, by content.
void FinishFile(RegisterCheck& c, int month, MonthFile& f, const std::deque<RegisterRecord>& pending)
{
    std::vector<const RegisterRecord*> expected;
    for (const RegisterRecord& r : f.unmatched)
        expected.push_back(&r);
    const std::size_t written = expected.size();
    for (const RegisterRecord& p : pending)
        if (p.monthFile == MonthFileNameFor(month) && p.note != NoteLineNotWritten)
            expected.push_back(&p);

    std::unordered_map<std::string, std::vector<std::size_t>> waiting;
    for (std::size_t i = expected.size(); i-- > 0;)
        waiting[ToCp1251(expected[i]->line)].push_back(i); // the first at the back
    std::vector<bool> found(expected.size(), false);
    long long number = 0;
    while (auto line = f.Peek(&number)) {
        f.Take(number, *line);
        auto it = waiting.find(std::string(*line));
        if (it != waiting.end() && !it->second.empty()) {
            found[it->second.back()] = true;
            it->second.pop_back();
        } else {
            NoteUnrecorded(c, month, number, *line);
        }
    }
    for (std::size_t i = 0; i < written; ++i)
        if (!found[i])
            NoteLineGone(c, *expected[i]);
}

} // namespace

RegisterCheck CheckRegister(RegisterStore& store, const std::deque<RegisterRecord>& pending)
{
    RegisterCheck c;
    std::array<MonthFile, 13> files;
    long long last = 0;
    std::string previousChain;
    Batch batch;
    std::future<Batch> hashing;

    auto collect = [&c](Batch done) {
        for (std::size_t i : done.broken)
            NoteChain(c, Finding(RegisterFinding::Kind::Changed, std::move(done.links[i].record)));
    };
    auto send = [&] {
        if (hashing.valid())
            collect(hashing.get());
        hashing = std::async(std::launch::async, Verify, std::move(batch));
        batch = Batch{};
        batch.links.reserve(kBatch);
    };

    RegisterError error;
    const bool read = store.Read({}, [&](RegisterRecord& r) {
        ++c.records;
        if (r.number != last + 1) {
            NoteChain(c, Finding(RegisterFinding::Kind::Gap, r, last + 1, r.number - 1));
            // Its chain value follows a record that is gone: not told twice.
            previousChain = r.chain;
            last = r.number;
        }
        const int month = MonthOfFile(r.monthFile);
        if (r.note != NoteLineNotWritten) {
            MonthFile& f = files[static_cast<std::size_t>(month)];
            if (month == 0) {
                NoteLineGone(c, r);
            } else {
                if (!f.loaded) {
                    ReadWholeFile(r.monthFile, f.bytes);
                    f.loaded = true;
                }
                long long number = 0;
                const auto line = f.diverged ? std::nullopt : f.Peek(&number);
                if (line && *line == ToCp1251(r.line))
                    f.Take(number, *line);
                else {
                    f.diverged = true;
                    f.unmatched.push_back(r);
                }
            }
        }
        if (r.number == last + 1) {
            const std::string chain = r.chain;
            batch.links.push_back({std::move(previousChain), std::move(r)});
            previousChain = chain;
            last = batch.links.back().record.number;
            if (batch.links.size() == kBatch)
                send();
        }
        return true;
    }, &error);
    if (hashing.valid())
        collect(hashing.get());
    collect(Verify(std::move(batch)));
    if (!read) {
        c.failed = error;
        return c;
    }

    const long long highest = store.HighestNumber(&error);
    if (highest > last) {
        RegisterFinding tail = Finding(RegisterFinding::Kind::TailGone, {}, last + 1, highest);
        tail.record.number = last + 1;
        NoteChain(c, std::move(tail));
    }
    if (!store.GuardsInPlace(&error)) {
        RegisterFinding unguarded = Finding(RegisterFinding::Kind::Unguarded);
        unguarded.record.number = highest + 1;
        NoteChain(c, std::move(unguarded));
    }
    // The months' lines after the last record: the pending tests', then any
    // typed in.
    for (int m = 1; m <= 12; ++m) {
        MonthFile& f = files[static_cast<std::size_t>(m)];
        if (!f.loaded)
            ReadWholeFile(MonthFileNameFor(m), f.bytes);
        FinishFile(c, m, f, pending);
    }
    return c;
}
