// The settings file "kavrel_m.cnf" with any content.
//  - A load raises the named input/output error exactly when the file has
//    fewer than 72 bytes; every setting whose bytes the file holds gets its
//    new value, the others keep theirs, and the file is left as it was.
//  - After a load, a save writes 72 bytes that carry what was read, and
//    load -> save -> load -> save gives the same bytes and the same settings.
#include "FuzzSupport.h"

#include "Files.h"
#include "Settings.h"
#include "Warnings.h"

#include <array>
#include <string>

namespace {

struct Values {
    std::string portName;
    int portIndex;
    int sensorNumber;
    int delay;
    bool modeA, modeB;
    std::array<int, 32> table;
    bool operator==(const Values&) const = default;
};

FUZZ_UNTRACED Values Current()
{
    return {PortName, PortIndex, SensorNumber, StoredDelay, StoredModeA, StoredModeB, StoredTable};
}

FUZZ_UNTRACED int Word(const std::string& b, std::size_t at)
{
    return static_cast<std::uint8_t>(b[at]) * 256 + static_cast<std::uint8_t>(b[at + 1]);
}

// What a load of `file` gives, starting from `before`: the file is read in
// the groups of its layout, and a group the file does not hold whole is not
// taken.
FUZZ_UNTRACED Values Expected(const std::string& file, Values v)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(file[i]); };
    if (file.size() >= 1) {
        v.portIndex = byte(0) > 12 ? 1 : byte(0);
        if (v.portIndex != 0)
            v.portName = PortNameFor(v.portIndex);
    }
    if (file.size() >= 3)
        v.sensorNumber = Word(file, 1);
    if (file.size() >= 6) {
        v.delay = byte(3) < 2 ? 5 : byte(3);
        v.modeA = (byte(4) & 0x01) != 0;
        v.modeB = (byte(4) & 0x04) != 0;
    }
    for (std::size_t i = 0; i < 32; ++i)
        if (file.size() >= 8 + 2 * i + 2)
            v.table[i] = Word(file, 8 + 2 * i);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EnterFuzzFolder();
    ShowWarning = nullptr;
    LastWarning.clear();
    ResetSettings();
    PortName = "before"; // shows whether a port index of 0 left the name alone
    const Values before = Current();

    const std::string file(reinterpret_cast<const char*>(data), size);
    FuzzPutFile(SettingsFileName, file);

    bool raised = false;
    try {
        LoadSettings();
    } catch (const EInOutError& e) {
        raised = true;
        FUZZ_CHECK(std::string(e.what()).find(SettingsFileName) != std::string::npos);
    }
    FUZZ_CHECK(raised == (size < static_cast<std::size_t>(SettingsFileSize)));
    FUZZ_CHECK(Current() == Expected(file, before));
    FUZZ_CHECK(LastWarning.empty()); // the file is there: nothing is missing
    FUZZ_CHECK(FuzzFileBytes(SettingsFileName) == file);
    if (raised)
        return 0;

    FUZZ_CHECK(SaveSettings());
    const std::string saved = FuzzFileBytes(SettingsFileName);
    FUZZ_CHECK(saved.size() == static_cast<std::size_t>(SettingsFileSize));
    FUZZ_CHECK(saved == SettingsBytes());
    // What was read is what is written: the index as taken, the number,
    // the delay as taken, the two flags alone, the marker, the table.
    const Values loaded = Current();
    FUZZ_CHECK(static_cast<std::uint8_t>(saved[0]) == loaded.portIndex);
    FUZZ_CHECK(saved.substr(1, 2) == file.substr(1, 2));
    FUZZ_CHECK(static_cast<std::uint8_t>(saved[3]) == loaded.delay);
    FUZZ_CHECK(static_cast<std::uint8_t>(saved[4]) == (static_cast<std::uint8_t>(file[4]) & 0x05));
    FUZZ_CHECK(saved.substr(6, 2) == "v9");
    FUZZ_CHECK(saved.substr(8) == file.substr(8, 64));

    LoadSettings();
    FUZZ_CHECK(Current() == loaded);
    FUZZ_CHECK(SaveSettings());
    FUZZ_CHECK(FuzzFileBytes(SettingsFileName) == saved);
    return 0;
}
