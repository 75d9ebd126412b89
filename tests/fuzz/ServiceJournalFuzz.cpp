// The engineer accounts file and the service journal with any content.
//  - Accounts: only well-formed lines become accounts (a valid name, an
//    Argon2id string), every other non-comment line is told as damaged;
//    the accounts written back read back the same, none damaged.
//  - Journal: every line is an entry or told as damaged, never lost (a
//    torn last line is damaged); an entry written out again reads back
//    equal; a damaged line is never a write; the journal appended to
//    afterwards keeps every earlier line as it read and adds one whole
//    entry; the certificate and history of any instrument are built
//    without fault, pages of 55 lines.
#include "FuzzSupport.h"

#include "Certificate.h"
#include "Cp1251.h"
#include "Engineers.h"
#include "InstrumentHistory.h"
#include "ServiceJournal.h"

#include <string>
#include <vector>

namespace {

FUZZ_UNTRACED bool Same(const TServiceEntry& a, const TServiceEntry& b)
{
    return a.Date == b.Date && a.Time == b.Time && a.Instrument == b.Instrument && a.Sensor == b.Sensor
        && a.Engineer == b.Engineer && a.Session == b.Session && a.What == b.What && a.Verdict == b.Verdict
        && a.Details == b.Details && a.Damaged == b.Damaged;
}

FUZZ_UNTRACED std::size_t Lines(const std::string& bytes)
{
    std::size_t n = 0;
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(from, end - from);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string text = FromCp1251(line);
        if (!text.empty() && text != ServiceJournalHeading && text != ServiceJournalOldHeading)
            ++n;
        from = end + 1;
    }
    return n;
}

void Accounts(const std::string& bytes)
{
    std::vector<int> damaged;
    const std::vector<TEngineer> engineers = ParseAccounts(bytes, &damaged);
    for (const TEngineer& e : engineers) {
        FUZZ_CHECK(ValidEngineerName(e.Name));
        FUZZ_CHECK(e.Hash.rfind("$argon2id$", 0) == 0);
    }
    std::vector<int> again;
    const std::vector<TEngineer> back = ParseAccounts(AccountsText(engineers), &again);
    FUZZ_CHECK(again.empty());
    FUZZ_CHECK(back.size() == engineers.size());
    for (std::size_t i = 0; i < back.size(); ++i)
        FUZZ_CHECK(back[i].Name == engineers[i].Name && back[i].Hash == engineers[i].Hash);
}

void Journal(const std::string& bytes, int instrument)
{
    const std::vector<TServiceEntry> journal = ParseServiceJournal(bytes);
    FUZZ_CHECK(journal.size() == Lines(bytes));
    const std::string tail = bytes.substr(bytes.rfind('\n') == std::string::npos ? 0 : bytes.rfind('\n') + 1);
    std::string last = tail;
    if (!last.empty() && last.back() == '\r')
        last.pop_back();
    const bool torn = !last.empty() && FromCp1251(last) != ServiceJournalHeading
        && FromCp1251(last) != ServiceJournalOldHeading && !journal.empty();
    if (torn)
        FUZZ_CHECK(journal.back().Damaged);
    for (const TServiceEntry& e : journal) {
        if (e.Damaged) {
            FUZZ_CHECK(e.What.empty() && e.Verdict.empty() && e.Details.empty());
            continue;
        }
        const auto back = ParseServiceLine(ServiceLine(e));
        FUZZ_CHECK(back && !back->Damaged);
        // Old-layout lines come back with the engineer and session they were given.
        FUZZ_CHECK(Same(*back, e));
    }
    const auto rows = InstrumentHistory(journal, instrument, std::nullopt, std::nullopt);
    for (std::size_t i = 1; i < rows.size(); ++i)
        FUZZ_CHECK(rows[i] < rows[i - 1]);
    HistoryCsv(journal, rows);
    for (const auto& page : NumberedPages(HistoryLines(journal, rows, instrument), "x"))
        FUZZ_CHECK(page.size() == 55);
    for (std::size_t i = 0; i < journal.size(); ++i)
        if (!CertificateNumber(journal[i]).empty())
            for (const auto& page : CertificatePages(journal, i))
                FUZZ_CHECK(page.size() == 55);

    // An append after whatever was there: the earlier lines read as before
    // (a torn last line told as damaged), and the new entry is whole.
    FuzzPutFile(ServiceJournalName, bytes);
    TServiceEntry entry = NoteEntryNow(JournalBlowDelta, instrument, 1, ValueDetails(4, 6));
    entry.Verdict = VerdictConfirmed;
    std::string error;
    FUZZ_CHECK(AppendServiceEntry(entry, &error));
    const std::vector<TServiceEntry> after = ReadServiceJournal();
    FUZZ_CHECK(after.size() == journal.size() + 1);
    for (std::size_t i = 0; i + 1 < journal.size(); ++i)
        FUZZ_CHECK(Same(after[i], journal[i]));
    if (!journal.empty())
        FUZZ_CHECK(after[journal.size() - 1].Damaged == (journal.back().Damaged || torn));
    FUZZ_CHECK(Same(after.back(), entry));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EnterFuzzFolder();
    FuzzInput in(data, size);
    const bool accounts = in.Flag();
    const int instrument = in.Range(0, 2000);
    const std::string bytes = in.Rest();
    if (accounts)
        Accounts(bytes);
    else
        Journal(bytes, instrument);
    return 0;
}
