// The simulator's frame decoder with any bytes from the line.
//  - It never looks past the bytes it is given, and what it makes of the
//    first six bytes (a frame, or a byte to skip) does not change with the
//    bytes that follow them.
//  - Read, write and mode-switch frames carry exactly the bytes the
//    program's own items and mode switch are made of.
//  - A byte stream scanned as the simulator scans it, however the line
//    splits it into reads, gives the same frames and the same skipped bytes
//    as the stream scanned whole.
//
// Input: the sizes of the reads, then the stream.
#include "FuzzSupport.h"

#include "Frames.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Event {
    TFrame::Kind kind;
    std::size_t at;
    std::size_t length;
    bool operator==(const Event&) const = default;
};

// Decodes from a copy of exactly `size` bytes, so that a sanitizer sees any
// read past them.
FUZZ_UNTRACED TFrame DecodeExact(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    if (size)
        std::memcpy(copy.get(), data, size);
    return DecodeFrame(copy.get(), size);
}

FUZZ_UNTRACED void CheckFrame(const TFrame& f, const std::uint8_t* data, std::size_t size)
{
    switch (f.kind) {
    case TFrame::Incomplete:
        FUZZ_CHECK(size < static_cast<std::size_t>(WriteFrameLength));
        FUZZ_CHECK(size == 0 || data[0] == LetterRead || data[0] == LetterWrite);
        break;
    case TFrame::Unknown:
        FUZZ_CHECK(f.length == 1);
        break;
    case TFrame::Read: {
        FUZZ_CHECK(f.length == static_cast<std::size_t>(ReadFrameLength));
        const TCommandItem item = ReadItem(f.bank, f.address);
        FUZZ_CHECK(std::memcmp(item.data(), data, ReadFrameLength) == 0);
        break;
    }
    case TFrame::Write: {
        FUZZ_CHECK(f.length == static_cast<std::size_t>(WriteFrameLength));
        FUZZ_CHECK(f.value >= 0 && f.value <= 0xFFFF);
        const TCommandItem item = WriteItem(f.bank, f.address, f.value);
        FUZZ_CHECK(std::memcmp(item.data(), data, WriteFrameLength) == 0);
        break;
    }
    case TFrame::ModeSwitch: {
        FUZZ_CHECK(f.length == static_cast<std::size_t>(ModeFrameLength));
        const auto frame = ModeSwitchFrame(f.start);
        FUZZ_CHECK(std::memcmp(frame.data(), data, ModeFrameLength) == 0);
        break;
    }
    }
    FUZZ_CHECK(f.length <= size);
}

// Scans bytes as they arrive, keeping an incomplete frame for the next read.
class Scanner {
public:
    void Take(const std::uint8_t* bytes, std::size_t n)
    {
        pending_.insert(pending_.end(), bytes, bytes + n);
        std::size_t at = 0;
        while (at < pending_.size()) {
            const TFrame f = DecodeExact(pending_.data() + at, pending_.size() - at);
            CheckFrame(f, pending_.data() + at, pending_.size() - at);
            if (f.kind == TFrame::Incomplete)
                break;
            // Recognised the same with any number of further bytes: a frame
            // needs at most six bytes to be told (a skipped byte too).
            const std::size_t have = pending_.size() - at;
            const std::size_t least = std::min(have, std::max(f.length, std::size_t{WriteFrameLength}));
            for (std::size_t more = least; more <= std::min(have, least + WriteFrameLength); ++more) {
                const TFrame g = DecodeExact(pending_.data() + at, more);
                FUZZ_CHECK(g.kind == f.kind && g.length == f.length && g.bank == f.bank
                           && g.address == f.address && g.value == f.value && g.start == f.start);
            }
            events.push_back({f.kind, consumed_ + at, f.length});
            at += f.length;
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
        consumed_ += at;
    }
    std::vector<Event> events;
    std::size_t Pending() const { return pending_.size(); }

private:
    std::vector<std::uint8_t> pending_;
    std::size_t consumed_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    std::vector<std::size_t> reads;
    for (int n = in.Range(0, 16); n > 0; --n)
        reads.push_back(static_cast<std::size_t>(in.Range(1, 16)));
    const std::string stream = in.Rest();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data());

    Scanner whole;
    whole.Take(bytes, stream.size());

    Scanner split;
    std::size_t at = 0;
    for (std::size_t i = 0; at < stream.size(); ++i) {
        const std::size_t n = reads.empty() ? 1 : std::min(reads[i % reads.size()], stream.size() - at);
        split.Take(bytes + at, n);
        at += n;
    }
    FUZZ_CHECK(split.events == whole.events);
    FUZZ_CHECK(split.Pending() == whole.Pending());
    return 0;
}
