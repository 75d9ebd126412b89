#pragma once
// The online test window: polls the instrument's working registers, shows
// the sensor voltage, its graph and the current readings, and writes one
// line into the month's test file for each completed test of the person
// chosen in the person list. In autonomous mode (no instrument) only the
// person list and the month's test lines are live.
//
// The window owns its serial port `Port` and exchange timer `TimerIO` and
// runs the shared exchange engine with the online settings (700 ms ticks,
// replies of exactly five bytes, every outstanding frame resent on a tick,
// receive count 4 at a list start). It opens its port on activation when
// no window holds the line (PortOpenFlag) and closes it when it closes.
// A port that cannot be opened throws the port's exception out of the
// activation to the application's handler; the window stays usable and the
// next activation tries again.
//
// Test hook: Engine.Policy.TimerPeriodMs may be shortened before the window
// is activated, so that tests need not wait 700 ms per tick.
#include "PersonGrid.h"
#include "TExchangeEngine.h"
#include "TestCycle.h"
#include "VoltageGraph.h"

#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class TCommEr;

class TKavNewF : public QDialog {
    Q_OBJECT
public:
    explicit TKavNewF(QWidget* parent = nullptr);
    ~TKavNewF() override;

    // Left panel: everything of the online mode.
    QWidget* Panel1;
    QLabel* Im;                       // the voltage graph, 240 × 150
    QLabel* Label10, *Label11, *Label12, *Label13, *Label14; // its scale
    QLabel* Label4;
    QLabel* lab_mV;
    QGroupBox* GroupBox1;
    QLineEdit* Edit_Kav_c;            // mg/l
    QLineEdit* Edit_Kav0_1;           // promille, one decimal
    QLabel* L_Kav_01;                 // promille, two decimals
    QFrame* panel_RG;                 // overlay over the readouts
    QLineEdit* edit_RG;
    QPushButton* Key_T;
    QGroupBox* GroupBox2;
    QPlainTextEdit* memo_res;         // the last three stored results
    // Right side.
    QCheckBox* box_Avtonom;
    QTableWidget* tab_FIO;
    QLineEdit* edit_FIO;
    QPushButton* key_Add;
    QLabel* Label3;
    QLabel* lab_Date;
    QPlainTextEdit* memo_test;        // the month's test lines
    QToolButton* Key__Exit;

    TCommEr* Port;
    QTimer* TimerIO;
    TExchangeEngine Engine;
    TestCycle Cycle;
    VoltageHistory History;

    // The readouts' picture as last drawn (for tests and screenshots).
    const GraphPicture& Graph() const { return graph_; }

public slots:
    void FormActivate();
    void FormClose();
    void TimerIOTimer();
    void PortReceiveData(QObject* Sender, void* Buffer, std::uint16_t BufferLength);
    void Key_TClick();
    void box_AvtonomClick();
    void Key__ExitClick();
    void tab_FIOClick();
    void tab_FIODblClick();
    void tab_FIOSelectCell();
    void key_AddClick();

protected:
    void changeEvent(QEvent* event) override;
    void done(int result) override;

private:
    QWidget* BuildLeftPanel();
    QWidget* BuildRightPanel();
    void PlaceOverlay();
    bool eventFilter(QObject* watched, QEvent* event) override;

    void StartReadList();
    void StartPollList();
    void ListEnd();
    void ModeStep();
    void RecordResult();
    void FillResults();
    void ShowModeDisplay();
    void ShowGraph();
    void ClearGraph();
    void ShowMonthFile();
    void SelectRow();
    void TellFailure(const QString& text, const char* boxName = "FailureBox");

    GraphPicture graph_;
    // The instrument and sensor numbers (bank 2 words 27 and 31) as this
    // activation's start-up list read them; none until then, and in
    // autonomous work. Each test's register record carries them.
    std::optional<int> instrumentRead_;
    std::optional<int> sensorRead_;
    // Set when the window lost activation to another window of the program
    // (a message box): coming back from it is not a new activation.
    bool backFromOwnWindow_ = false;
};

extern TKavNewF* KavNewF;
