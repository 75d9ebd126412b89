#pragma once
// Every file the program writes, as the fault tests use them: version v of
// each one, saved through the program's own save, and what a file whose
// save was interrupted may hold.
//
// Replaced in one step (old or new, whole): the settings, a sensor group
// file, the person list, a text protocol, a PDF protocol. Appended (lines
// added at the end): the month's test lines, an export, the service journal.
#include "Cp1251.h"
#include "DateFields.h"
#include "FileBytes.h"
#include "Files.h"
#include "PersonList.h"
#include "ProtocolPages.h"
#include "ProtocolPdf.h"
#include "SensorGroup.h"
#include "ServiceJournal.h"
#include "Settings.h"
#include "TestFiles.h"
#include "Warnings.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

enum class FileKind { Settings, Group, Persons, TestLines, Export, Protocol, Pdf, Journal };
inline constexpr FileKind AllFileKinds[] = {FileKind::Settings, FileKind::Group,    FileKind::Persons,
                                            FileKind::TestLines, FileKind::Export, FileKind::Protocol,
                                            FileKind::Pdf,       FileKind::Journal};

inline constexpr int GroupSensorNumber = 1234; // Hun12.fig, slot 34

inline bool IsAppended(FileKind k)
{
    return k == FileKind::TestLines || k == FileKind::Export || k == FileKind::Journal;
}

inline std::string FileNameOf(FileKind k)
{
    switch (k) {
    case FileKind::Settings: return SettingsFileName;
    case FileKind::Group: return SensorGroupFileName(GroupSensorNumber);
    case FileKind::Persons: return PersonFileName;
    case FileKind::TestLines: return "Test_03.txt";
    case FileKind::Export: return "Kav_15_03.txt";
    case FileKind::Protocol: return "Protokol.txt";
    case FileKind::Pdf: return "Protokol.pdf";
    case FileKind::Journal: return ServiceJournalName;
    }
    return {};
}

inline const char* KindName(FileKind k)
{
    switch (k) {
    case FileKind::Settings: return "settings";
    case FileKind::Group: return "sensor group";
    case FileKind::Persons: return "person list";
    case FileKind::TestLines: return "test lines";
    case FileKind::Export: return "export";
    case FileKind::Protocol: return "text protocol";
    case FileKind::Pdf: return "PDF protocol";
    case FileKind::Journal: return "service journal";
    }
    return "";
}

// The program's clock stands still on 15 March at 10:20 in these tests.
inline void FixTheClock()
{
    ReadClock = [] { return ClockReading{2024, 3, 15, 10, 20}; };
    ReadDate();
    ReadTime();
    MonthFileName = FileNameOf(FileKind::TestLines);
}

// The journal entry of version v: a blow delta written.
inline TServiceEntry JournalEntry(int v)
{
    return {"15.03.2024", "10:20:00", 1207, 512, NoEngineer, "-", JournalBlowDelta, VerdictConfirmed, ValueDetails(v, v + 1)};
}

// The lines version v appends (test lines: one; export: three; the journal:
// one, after its heading when version 0 starts the file).
inline std::vector<std::string> AppendedLines(FileKind k, int v)
{
    if (k == FileKind::Journal) {
        if (v == 0)
            return {ServiceJournalHeading, ServiceLine(JournalEntry(v))};
        return {ServiceLine(JournalEntry(v))};
    }
    if (k == FileKind::TestLines)
        return {TestLine("Тестируемый номер " + std::to_string(v), v % 100)};
    return {"Выгрузка " + std::to_string(v) + ", строка 1", "Выгрузка " + std::to_string(v) + ", строка 2",
            "Выгрузка " + std::to_string(v) + ", строка 3"};
}

inline std::vector<std::string> ProtocolLines(int v)
{
    std::vector<std::string> lines = BuildAct(TestLine("Протокол " + std::to_string(v), v % 100));
    lines.insert(lines.end(), SecondPageTemplate().begin(), SecondPageTemplate().end());
    return lines;
}

// Puts version v of a replaced file into the program's state.
inline void SetVersion(FileKind k, int v)
{
    switch (k) {
    case FileKind::Settings:
        ResetSettings();
        PortIndex = 1 + v % 12;
        PortName = PortNameFor(PortIndex);
        SensorNumber = v % 65536;
        StoredDelay = static_cast<std::uint8_t>(2 + v % 200);
        StoredModeA = (v & 1) != 0;
        StoredModeB = (v & 2) != 0;
        for (int i = 0; i < 32; ++i)
            StoredTable[i] = (v * 7 + i) % 65536;
        break;
    case FileKind::Group:
        for (int r = 0; r < SensorGroupSize; ++r)
            for (int j = 0; j < SensorRecordSize; ++j)
                SensorGroup[r][j] = static_cast<std::uint8_t>(v + 3 * r + j);
        SensorGroup[0][0] = static_cast<std::uint8_t>(v / 256);
        SensorGroup[0][1] = static_cast<std::uint8_t>(v % 256);
        break;
    case FileKind::Persons:
        ResetPersonList();
        PersonNames.fill(EmptyPersonSlot);
        PersonMarks.fill(PersonMark);
        for (int n = 0; n <= v % 40; ++n)
            PersonNames[n] = "Версия " + std::to_string(v) + ", тестируемый " + std::to_string(n);
        break;
    default:
        break;
    }
}

// The bytes version v of a replaced file holds (not for the PDF, whose
// bytes carry the moment it was made).
inline std::string VersionBytes(FileKind k, int v)
{
    switch (k) {
    case FileKind::Settings:
        SetVersion(k, v);
        return SettingsBytes();
    case FileKind::Group: {
        SetVersion(k, v);
        std::string bytes;
        for (const SensorRecord& r : SensorGroup)
            bytes.append(reinterpret_cast<const char*>(r.data()), r.size());
        return bytes;
    }
    case FileKind::Persons:
        SetVersion(k, v);
        return PersonFileBytes();
    case FileKind::Protocol:
        return JoinFileLines(ProtocolLines(v));
    case FileKind::TestLines:
    case FileKind::Export:
    case FileKind::Journal:
        return JoinFileLines(AppendedLines(k, v));
    case FileKind::Pdf:
        break;
    }
    return {};
}

// Saves version v through the program. True when the program reports the
// save as done; `why` gets what it reported otherwise (its message, or the
// text of the error it raised).
inline bool SaveVersion(FileKind k, int v, std::string* why = nullptr)
{
    std::string error;
    bool ok = false;
    try {
        switch (k) {
        case FileKind::Settings:
            SetVersion(k, v);
            LastWarning.clear();
            ok = SaveSettings();
            error = LastWarning;
            break;
        case FileKind::Group:
            SetVersion(k, v);
            LastWarning.clear();
            ok = SaveSensorGroup(GroupSensorNumber);
            error = LastWarning;
            break;
        case FileKind::Persons:
            SetVersion(k, v);
            ok = SavePersonList(&error);
            break;
        case FileKind::TestLines:
            ok = AppendTestLine(AppendedLines(k, v).front(), &error);
            break;
        case FileKind::Export:
            ok = AppendExport(FileNameOf(k), AppendedLines(k, v), &error);
            break;
        case FileKind::Protocol:
            ok = WriteProtocol(FileNameOf(k), ProtocolLines(v), &error);
            break;
        case FileKind::Journal:
            ok = AppendServiceEntry(JournalEntry(v), &error);
            break;
        case FileKind::Pdf:
            ok = WriteProtocolPdf(FileNameOf(k), {VisiblePage(ProtocolLines(v))},
                                  QString::fromUtf8(("Протокол " + std::to_string(v)).c_str()), &error);
            break;
        }
    } catch (const EInOutError& e) {
        ok = false;
        error = e.what();
    }
    if (why)
        *why = error;
    return ok;
}

// A PDF written whole: its header, its end mark, and a cross-reference
// table where its trailer says.
inline bool WholePdf(const std::string& bytes)
{
    if (bytes.rfind("%PDF-", 0) != 0)
        return false;
    const std::size_t end = bytes.rfind("%%EOF");
    if (end == std::string::npos || bytes.find_first_not_of("\r\n", end + 5) != std::string::npos)
        return false;
    const std::size_t start = bytes.rfind("startxref");
    if (start == std::string::npos)
        return false;
    const long offset = std::strtol(bytes.c_str() + start + 9, nullptr, 10);
    return offset > 0 && static_cast<std::size_t>(offset) < start && bytes.compare(offset, 4, "xref") == 0;
}
