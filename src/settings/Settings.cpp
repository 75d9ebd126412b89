#include "Settings.h"

#include "Bytes.h"
#include "Files.h"
#include "Warnings.h"

// Built-in values; ResetSettings restores the same.
std::string PortName = "COM3";
int PortIndex = 1;
int SensorNumber = 1;
std::string SensorNumberText = "1";
std::uint8_t StoredDelay = 8;
bool StoredModeA = true;
bool StoredModeB = true;
std::array<int, 32> StoredTable{};
bool PortOpenFlag = false;
std::function<void(int panel, const std::string& text)> SetMainStatus;

namespace {

// Reads the file's bytes in order; running out of bytes is the file's damage.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}

    // Takes the next `count` bytes, or throws when the file ends first.
    const std::uint8_t* Take(std::size_t count)
    {
        if (pos_ + count > bytes_.size())
            throw EInOutError(std::string("Файл ") + SettingsFileName + " повреждён: в нём "
                              + std::to_string(bytes_.size()) + " байт вместо "
                              + std::to_string(SettingsFileSize)
                              + ". Недостающие установки оставлены прежними.");
        auto at = reinterpret_cast<const std::uint8_t*>(bytes_.data()) + pos_;
        pos_ += count;
        return at;
    }

private:
    const std::string& bytes_;
    std::size_t pos_ = 0;
};

} // namespace

std::string PortNameFor(int portIndex)
{
    if (portIndex >= 1 && portIndex <= 11)
        return "COM" + std::to_string(portIndex);
    if (portIndex == AutonomousPortIndex)
        return "Автоном.";
    return {};
}

void ResetSettings()
{
    PortName = "COM3";
    PortIndex = 1;
    SensorNumber = 1;
    SensorNumberText = "1";
    StoredDelay = 8;
    StoredModeA = true;
    StoredModeB = true;
    StoredTable.fill(0);
}

void LoadSettings()
{
    std::string bytes;
    if (FileMissingWarning(SettingsFileName, !ReadWholeFile(SettingsFileName, bytes))) {
        // The port name keeps its value: only the index is reset.
        PortIndex = 1;
        StoredDelay = 8;
        StoredModeA = true;
        StoredModeB = true;
        SaveSettings();
        return;
    }
    Reader in(bytes);

    int index = *in.Take(1);
    if (index > 12)
        index = 1;
    PortIndex = index;
    if (index != 0)
        PortName = PortNameFor(index);

    SensorNumber = UnpackWord(in.Take(2));

    const std::uint8_t* b = in.Take(3);
    StoredDelay = b[0] < 2 ? 5 : b[0];
    StoredModeA = (b[1] & 0x01) != 0;
    StoredModeB = (b[1] & 0x04) != 0;

    in.Take(2); // marker bytes, not checked

    for (int& value : StoredTable)
        value = UnpackWord(in.Take(2));
}

std::string SettingsBytes()
{
    std::string bytes(SettingsFileSize, '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(bytes.data());
    out[0] = static_cast<std::uint8_t>(PortIndex);
    PackWord(out + 1, SensorNumber);
    out[3] = StoredDelay;
    out[4] = static_cast<std::uint8_t>((StoredModeA ? 0x01 : 0) | (StoredModeB ? 0x04 : 0));
    out[5] = 0; // reserved
    out[6] = 0x76;
    out[7] = 0x39;
    for (int i = 0; i < 32; ++i)
        PackWord(out + 8 + 2 * i, StoredTable[i]);
    return bytes;
}

bool SaveSettings()
{
    return SaveFileOrWarn(SettingsFileName, SettingsBytes());
}

std::string SensorStatusText(int sensorNumber)
{
    return "Сенсор № " + std::to_string(sensorNumber);
}
