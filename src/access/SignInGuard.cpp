#include "SignInGuard.h"

#include <algorithm>
#include <chrono>

TSignInGuard::TSignInGuard(std::function<std::int64_t()> nowMs) : now_(std::move(nowMs)) {}

std::int64_t TSignInGuard::Now() const
{
    if (now_)
        return now_();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int TSignInGuard::SecondsLeft() const
{
    const std::int64_t left = lockedUntil_ - Now();
    return left > 0 ? static_cast<int>((left + 999) / 1000) : 0;
}

void TSignInGuard::Failed()
{
    if (SecondsLeft() > 0)
        return;   // refused unseen: a try during the wait counts for nothing
    ++failures_;
    if (failures_ < FreeTries)
        return;
    const int doublings = std::min(failures_ - FreeTries, 10);
    const std::int64_t wait = std::min<std::int64_t>(std::int64_t(FirstWaitSeconds) << doublings, 24 * 3600);
    lockedUntil_ = Now() + wait * 1000;
}

void TSignInGuard::Succeeded()
{
    failures_ = 0;
    lockedUntil_ = 0;
}
