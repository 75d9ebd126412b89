#pragma once
// The adjustment certificate "Свидетельство о регулировке": for one
// instrument and one service session, built from the session's lines of the
// service journal alone, so that it prints again the same from the
// instrument's history. Its number (YYYY-NNNN, unique in the working
// folder's journal), verdict and next due date are in its own journal line;
// the lines after that line are not its. Pages of 55 lines of 75
// characters, "Лист N из M" at the foot of each.
//
// The verdict: without a characteristic write, "годен без регулировки" when
// as found is within the tolerance; with one, "отрегулирован, годен" when
// the last write was confirmed and as left (the first test after it) is
// within; otherwise "не годен", with the numbers. Within means a difference
// from the gas of at most the tolerance.
#include "ServiceJournal.h"
#include "ServiceSession.h"

#include <optional>
#include <string>
#include <vector>

inline constexpr const char* VerdictAsFound = "годен без регулировки";
inline constexpr const char* VerdictAdjusted = "отрегулирован, годен";
inline constexpr const char* VerdictFailed = "не годен";

// The details of the session's own lines.
std::vector<std::string> GasDetails(const TSessionGas& gas, int tolerance, int intervalMonths);
std::vector<std::string> AsFoundDetails(int gasAlcohol, int alcohol, int voltage);
std::vector<std::string> EngineerDetails(const std::string& engineer, const std::string& why = {});

// What the session found for one instrument, from its journal lines up to
// `until` (exclusive; the whole journal when npos).
struct TSessionFindings {
    std::string Session;
    int Instrument = 0;
    int Sensor = 0;
    std::vector<int> Numbers;                  // every number it had in the session
    std::string Engineer = NoEngineer;
    std::optional<TSessionGas> Gas;
    int Tolerance = 5;
    int IntervalMonths = 12;
    std::string Date;                          // of the last line taken
    std::optional<TServiceEntry> AsFound;
    std::vector<TServiceEntry> Writes;         // every write, in order
    std::optional<TServiceEntry> AsLeft;       // the first test after the last characteristic write
    std::string Verdict;                       // one of the three texts
    std::string VerdictReason;                 // the numbers behind it
    std::string NextDue;                       // DD.MM.YYYY, or "не назначается"
};
TSessionFindings FindSession(const std::vector<TServiceEntry>& journal, const std::string& session, int instrument,
                             std::size_t until = std::string::npos);

// The next free number of `year`'s certificates in the journal: "2026-0001".
std::string NextCertificateNumber(const std::vector<TServiceEntry>& journal, int year);
// The certificate's journal line of now for what was found.
TServiceEntry CertificateEntryNow(const TSessionFindings& found, const std::string& number);
// The number a certificate line carries ("2026-0001"), empty for others.
std::string CertificateNumber(const TServiceEntry& entry);

// The certificate's pages, from the journal and the index of its line.
std::vector<std::vector<std::string>> CertificatePages(const std::vector<TServiceEntry>& journal,
                                                       std::size_t certificateLine);

// Pages of any lines: 53 a page, then an empty line and "Лист N из M"; a
// page after the first begins with `continued` and an empty line.
std::vector<std::vector<std::string>> NumberedPages(const std::vector<std::string>& lines,
                                                    const std::string& continued);
// Text wrapped at 75 characters after an indent of four blanks, the pieces
// joined with "; ".
std::vector<std::string> WrappedPieces(const std::vector<std::string>& pieces);
