#pragma once
// How long a service window waited before it asked for a frame again: each
// frame an engine sends is timed from its first sending, and a sending of
// the same frame again (a resend after a lost or broken reply) measures the
// wait. Idle spells between lists send nothing and are never counted. Set
// on the engine after its window joined it to its port.
#include "TExchangeEngine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

class TStallWatch {
public:
    // Counting stops while the soak lets the instrument fall silent: a
    // silent line is waited for until it is given up, by design.
    bool Counting = true;
    double LongestMs = 0;
    int Resends = 0;

    void Watch(TExchangeEngine& engine)
    {
        auto send = engine.Hooks.Send;
        engine.Hooks.Send = [this, send](const std::uint8_t* data, std::uint16_t length) {
            Sent(std::vector<std::uint8_t>(data, data + length));
            if (send)
                send(data, length);
        };
    }

private:
    using Clock = std::chrono::steady_clock;

    void Sent(std::vector<std::uint8_t> frame)
    {
        const Clock::time_point now = Clock::now();
        if (frame != last_) {
            last_ = std::move(frame);
            first_ = now;
            return;
        }
        if (!Counting)
            return;
        ++Resends;
        LongestMs = std::max(LongestMs, std::chrono::duration<double, std::milli>(now - first_).count());
    }

    std::vector<std::uint8_t> last_;
    Clock::time_point first_;
};
