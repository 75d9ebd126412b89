#pragma once
// The sign-in's brake on guessing: after five wrong passwords in a row the
// box refuses for 60 s; every further wrong password after a wait doubles
// it (120 s, 240 s, ... at most a day). A right password starts afresh.
// Kept for the program's run.
#include <cstdint>
#include <functional>

class TSignInGuard {
public:
    // `nowMs`: a steady clock in milliseconds (tests give their own).
    explicit TSignInGuard(std::function<std::int64_t()> nowMs = {});

    // Seconds until a try is taken again; 0 when it is taken now.
    int SecondsLeft() const;
    void Failed();
    void Succeeded();
    int FailuresInARow() const { return failures_; }

    static constexpr int FreeTries = 5;
    static constexpr int FirstWaitSeconds = 60;

private:
    std::int64_t Now() const;
    std::function<std::int64_t()> now_;
    int failures_ = 0;
    std::int64_t lockedUntil_ = 0;
};
