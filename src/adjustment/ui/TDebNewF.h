#pragma once
// The adjustment window: the service staff's bench for one instrument. It
// reads the instrument's characteristic and last three results, shows the
// live readings while observing, and against a test gas of known blood
// alcohol lets the staff correct the sensor's seven points; the derived
// characteristic goes into the sensor's group file and into the instrument.
// It opens the path checks and the sensor database after closing its port.
//
// The window owns its port `Port` and exchange timer `TimerIO` (1 s) and
// runs the shared engine with the adjustment settings (exactly five bytes,
// bank-1 frames resent on a tick, bank-2 reads also into Data_Sen). Its
// computations are in Adjusting.h; the readings on screen are the online
// window's (ReadingsView.h).
//
// Every activation refreshes from the instrument (a full read, or a table
// write while WriteAfterTransfer is set); coming back from its own message
// box, the input error window or another program is not an activation, so a
// typed grid stays.
//
// A table write is proven: the 25 words written are read back in the same
// list and compared with what was sent; a word that differs, or a list that
// ended early, is told ("Запись не подтверждена"). While the write and its
// read-back run, the controls that would start another list, change the
// points or close the window wait.
//
// Every table write leaves a line in the service journal (Service.txt) when
// its verdict is known: the test gas, the test read before it (as found),
// the voltage delta applied and the points before and after. The first new
// test read after it (words 64..66 changed) is journaled as its control test
// (as left), filed under the instrument that was written.
//
// The window works in a service session (ServiceSession.h; the shell opens
// it at sign-in, or the window itself when shown without one): the first
// read finds the instrument's newest test as it was before the session; a
// new test read after it is the session's as found (journaled), and once a
// gas was stated a characteristic write waits for one. "Газ сеанса" states
// the gas (with engineer accounts a characteristic write waits for one);
// "Свидетельство о регулировке" issues the session's numbered
// certificate for the instrument (or prints again the one issued when
// nothing happened since) in the print window; "История прибора" shows the
// instrument's journal lines.
//
// Test hook: Engine.Policy.TimerPeriodMs may be shortened before activation.
#include "Adjusting.h"
#include "KeptWords.h"
#include "ServiceJournal.h"
#include "TExchangeEngine.h"
#include "UiKit.h"
#include "VoltageGraph.h"
#include "WriteCheck.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;
class QToolButton;
class TCommEr;
class TInputHold;

class TDebNewF : public QDialog {
    Q_OBJECT
public:
    explicit TDebNewF(QWidget* parent = nullptr);
    ~TDebNewF() override;

    QToolButton* Key__Exit;
    QPushButton* Key_Read;
    QCheckBox* box_Nabl;
    QProgressBar* progresIO;
    QLabel* lab_Link;                 // says when the instrument stopped answering
    // Live readings.
    QLabel* lab_mV;
    QLabel* lab__mV;
    QLabel* ImD;
    QLabel* Label3, *Label4, *Label5, *Label6, *Label7;   // the graph's scale
    QGroupBox* GroupBoxLive;
    QLineEdit* edit_Kav_CD;
    QLineEdit* edit_Kav0_1D;
    QLabel* L_Kav_01D;
    QFrame* panel_RGD;
    QLineEdit* edit_RGD;
    QGroupBox* GroupBoxResults;
    QPlainTextEdit* memo_resD;
    QCheckBox* box_Sound;
    // The test gas, the instrument's test and the deltas.
    QGroupBox* GroupBoxReal;
    QLineEdit* edit_real_C;
    QLineEdit* edit_real_Kav;
    QLineEdit* edit_real_mV;
    QPushButton* minus__1, *plus__1, *minus__10, *plus__10;
    QGroupBox* GroupBoxTest;
    QLineEdit* edit_test_C;
    QLineEdit* edit_test_Kav;
    QLineEdit* edit_test_mV;
    QGroupBox* GroupBoxCorr;
    QLineEdit* edit_del_C;
    QLineEdit* edit_del_Kav;
    QLineEdit* edit_del_mV;
    QPushButton* key_Corr;
    QPushButton* write_Corr;
    // Point edits.
    QToolButton* im_1, *im_2, *im_3;
    QToolButton* im_down;
    QLineEdit* new_20;
    QLabel* l_20;
    QToolButton* im_Up;
    QLineEdit* new_00;
    QLabel* l_00;
    QTableWidget* Grid_S;
    QTableWidget* GridBaza;
    QLineEdit* txt_PlMinus;
    QPushButton* key_DelMi;
    QPushButton* key_DelPl;
    QPushButton* Button1;
    QToolButton* Key_DataEdit;
    QPushButton* key_Protocol;        // the session's certificate for this instrument
    QPushButton* key_Gas;             // the session's test gas
    QPushButton* key_History;         // the instrument's journal lines
    // Service groups.
    QGroupBox* GroupBoxAdc;
    QPlainTextEdit* memo_Adc;
    QToolButton* AllRead;
    QGroupBox* GroupBoxBlow;
    QPlainTextEdit* memo_Blow;
    QToolButton* SpeedButton1;
    QGroupBox* GroupBoxBase;
    QPlainTextEdit* memo_Base;
    QToolButton* SpeedButton2;

    TCommEr* Port;
    QTimer* TimerIO;
    TExchangeEngine Engine;
    VoltageHistory History;

    // The service windows its group buttons open, set at program start.
    QWidget* MeasuringCheck = nullptr;
    QWidget* BlowCheck = nullptr;
    QWidget* SensorBase = nullptr;

    // The graph as last drawn (tests and pictures).
    const GraphPicture& Graph() const { return graph_; }

public slots:
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Key__ExitClick();
    void Key_ReadClick();
    void box_NablClick();
    void box_SoundClick();
    void Key_DataEditClick();
    void key_DelPlClick();
    void key_DelMiClick();
    void key_CorrClick();
    void write_CorrClick();
    void Button1Click();
    void im_1Click();
    void im_2Click();
    void im_3Click();
    void im_downClick();
    void im_UpClick();
    void GridBazaClick();
    void edit_real_KavChange();
    void minus__1Click();
    void plus__1Click();
    void minus__10Click();
    void plus__10Click();
    void AllReadClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void key_ProtocolClick();
    void key_GasClick();
    void key_HistoryClick();
    void PortReceiveData(QObject* Sender, void* Buffer, std::uint16_t BufferLength);
    void TimerIOTimer();

protected:
    void changeEvent(QEvent* event) override;
    void done(int result) override;

private:
    void BuildLayout();
    QWidget* BuildLivePart();
    QWidget* BuildGasPart();
    QWidget* BuildPointPart();
    QWidget* BuildServicePart();

    void OpenPortIfFree();
    void ReleaseLine();
    void StartFullRead();
    // `voltageDelta`: what write_Corr moved the points by (for the journal).
    void StartTableWrite(int voltageDelta = 0);
    void StartObservation();
    void ListEnd();
    void ModeStep();
    void ClearGraph();
    void GaveUp();
    void EndWriteCheck(const TWriteVerdict& verdict);
    void TellLink(const QString& text, bool alarm);
    void RecordControlTest();

    void ShowResultsMemo();
    void ShowGridS();
    void ShowGridBaza(const SensorPointTable& points);
    void ShowEndPoints();
    void ShowRealAndDeltas();
    SensorPointTable GridPoints() const;
    bool ValidateGrid();
    bool ShiftAndCommit(int step);
    void CommitAndShow();
    void StepRealAlcohol(int step);
    void OpenService(QWidget* window);
    void SoundChosenByClick();

    GraphPicture graph_;
    TGasValues test_;
    // The activation went to this window's message box or to the input
    // error window: coming back from it is not a new activation.
    TActivationWatch activation_;
    // The table write in progress and the controls waiting for it; words 11
    // and 13 are written as the instrument holds them (read first), word 11
    // as the sound box shows it once the engineer clicked it since the
    // instrument was last read.
    TWriteCheck writeCheck_;
    TKeptWords keptWords_;
    int readBackFrom_ = 0;   // the list's first read-back item
    bool soundChosen_ = false;
    TInputHold* hold_ = nullptr;
    // For the journal: the points the instrument held at the last read, the
    // details of the write in progress, and the test record (words 64..66)
    // a control test must differ from, while one is awaited.
    std::optional<SensorPointTable> heldPoints_;
    std::vector<std::string> writeDetails_;
    std::optional<std::array<std::int32_t, 3>> awaitedControl_;
    // The session: opened here when the window was shown without one; the
    // newest test record last seen (a different one is a new test); whether
    // the session's as found is taken; the instrument and sensor of the last
    // characteristic write, as written.
    bool ownSession_ = false;
    bool inSession_ = false;
    std::optional<std::array<std::int32_t, 3>> seenRecord_;
    bool asFoundTaken_ = false;
    std::optional<std::pair<int, int>> written_;
    void RecordNewTest();
    bool AsFoundMissing();
    int SessionGas() const;
    void SessionStarts();
};

extern TDebNewF* DebNewF;
