#pragma once
// The program's test register as the windows use it: opened at start,
// created (with the month files' old lines) when missing, one record added
// for each completed test.
//
// When the file cannot be opened or written (read-only, a full disk, a
// folder in its place, another program holding it), the records are kept
// in memory, in order, and written before the next record, whenever
// Flush() is called (the program retries every few seconds and before it
// ends), or when the results window opens; each failure is told once,
// until a write succeeds again. A damaged or foreign file is never written
// over: it is renamed aside and a new register begins in its place.
#include "RegisterStore.h"

#include <deque>
#include <functional>
#include <string>

class TestRegister {
public:
    explicit TestRegister(std::string fileName = RegisterFileName);

    // Opens the register, or creates it with the lines of the month files
    // (the current month taken from ReadClock). What to tell the user, or
    // empty.
    std::string Open();

    // Adds the record of a completed test, writing it with what waits in
    // memory before it. What to tell the user, or empty: a failure is told
    // once, when the register stops being writable.
    std::string Add(RegisterRecord record);

    // Writes what waits in memory. True when nothing waits any more; `tell`
    // gets what to tell the user (a damaged file moved aside), if anything.
    bool Flush(std::string* tell = nullptr);

    // Damage found while reading the register (the results window's check):
    // the file goes aside and a new register begins, as for damage found at
    // the start. What to tell the user.
    std::string SetAside(const RegisterError& why);

    // The records not yet written, oldest first.
    const std::deque<RegisterRecord>& Pending() const { return pending_; }
    // The register can be read (the results window's view and check).
    bool Readable() const { return store_.IsOpen(); }
    // Why the last open or write failed (fault None after a success).
    const RegisterError& LastError() const { return error_; }
    // The register was made (with the month files' lines) by this object.
    bool Created() const { return created_; }
    RegisterStore& Store() { return store_; }
    const std::string& FileName() const { return store_.FileName(); }

    // Told after each Add and Flush (what waits, or the records, changed).
    std::function<void()> Changed;

private:
    bool Reopen(std::string* tell);
    bool Restart(const RegisterError& why, std::string* tell);
    bool Write(std::string* tell);
    std::string FailureText() const;
    std::string MovedAsideText(const RegisterError& why, const std::string& aside) const;

    RegisterStore store_;
    std::deque<RegisterRecord> pending_;
    RegisterError error_;
    bool failing_ = false; // told; quiet until a write succeeds
    bool created_ = false;
};

// The program's register, made at start; null: no register (the windows
// then work on the month files alone).
extern TestRegister* Register;
