#include "Frames.h"

#include "Bytes.h"

TCommandItem ReadItem(std::uint8_t bank, std::uint8_t address)
{
    return {LetterRead, bank, address, FrameClose, 0, 0, 0};
}

TCommandItem WriteItem(std::uint8_t bank, std::uint8_t address, std::int32_t value)
{
    return {LetterWrite, bank, address, HighByte(value), LowByte(value), FrameClose, 0};
}

int FrameLength(std::uint8_t letter)
{
    if (letter == LetterRead)
        return ReadFrameLength;
    if (letter == LetterWrite)
        return WriteFrameLength;
    return 0;
}

std::array<std::uint8_t, ModeFrameLength> ModeSwitchFrame(bool start)
{
    return {LetterRead, start ? ModeDigitStart : ModeDigitStop};
}

std::array<std::uint8_t, ReplyLength> MakeReply(std::uint8_t letter, std::uint8_t bank,
                                                std::uint8_t address, std::int32_t value)
{
    return {letter, bank, address, HighByte(value), LowByte(value)};
}

TFrame DecodeFrame(const std::uint8_t* data, std::size_t size)
{
    TFrame f;
    if (size == 0)
        return f;
    const std::uint8_t letter = data[0];
    if (letter != LetterRead && letter != LetterWrite) {
        f.kind = TFrame::Unknown;
        f.length = 1;
        return f;
    }
    if (size < 2)
        return f;
    if (letter == LetterRead && (data[1] == ModeDigitStart || data[1] == ModeDigitStop)) {
        f.kind = TFrame::ModeSwitch;
        f.length = ModeFrameLength;
        f.start = data[1] == ModeDigitStart;
        return f;
    }
    const std::size_t need = letter == LetterRead ? ReadFrameLength : WriteFrameLength;
    if (size < need)
        return f;
    if (data[need - 1] != FrameClose) {
        f.kind = TFrame::Unknown;
        f.length = 1;
        return f;
    }
    f.kind = letter == LetterRead ? TFrame::Read : TFrame::Write;
    f.length = need;
    f.bank = data[1];
    f.address = data[2];
    if (f.kind == TFrame::Write)
        f.value = UnpackWord(data + 3);
    return f;
}
