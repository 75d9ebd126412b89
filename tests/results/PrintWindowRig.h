#pragma once
// The print window shown in a fresh working folder on 21 March, with the
// sample protocols its tests print and save.
#include "DateFields.h"
#include "ProtocolPages.h"
#include "TPrintF.h"
#include "TempDir.h"

#include <QtTest>

#include <memory>
#include <string>
#include <vector>

inline const std::string kActLine = "21.03 14:07 > Кузнецов П.С.  -  0.8";

// Journal lines "21.03 10:NN > Строка N  -  0.0".
inline std::vector<std::string> NumberedLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back("21.03 10:" + std::string(i < 10 ? "0" : "") + std::to_string(i) + " > Строка " +
                        std::to_string(i) + "  -  0.0");
    return lines;
}

class PrintWindowRig {
public:
    // Called from a test's init(): folder, clock, list mode, window shown.
    void Start()
    {
        dir_ = std::make_unique<TempDir>();
        ReadClock = [] { return ClockReading {2024, 3, 21, 15, 0}; };
        ReadDate();
        PrintActMode = false;
        window = std::make_unique<TPrintF>();
        window->show();
        window->activateWindow();
        QTRY_VERIFY(window->isVisible());
    }
    // Called from a test's cleanup().
    void Stop()
    {
        window.reset();
        dir_.reset();
        ReadClock = SystemClock;
    }
    // The file's full path in the working folder.
    QString Path(const char* name) const { return QString::fromStdString((dir_->Path() / name).string()); }

    std::unique_ptr<TPrintF> window;

private:
    std::unique_ptr<TempDir> dir_;
};
