#pragma once
// What the measuring path check and the blow path check have in common: the
// live part (two channel tables with their extremes, run and pause,
// progress bars), the calibration block (points U1 and U2, hold boxes, the
// operator's voltages, read and write buttons) and the instrument's two
// words beside it, the port, the timer and the handlers. TADCF and TBLOW_F
// add what lies over the calibration block and their own texts.
//
// The window is not modal. It owns its serial port `Port` and exchange
// timer `TimerIO`; it opens the port on activation, and on run, read and
// write, when no window holds the line (PortOpenFlag), and closes it when it
// closes. When the instrument stops answering the exchange gives up, the
// port is closed and the flag this window set is cleared, so run or read
// opens the line again. Coming back to it from its own message box or from
// another application is not a new activation; coming back from another
// window of the program is, as it restarts polling (TActivationWatch).
// While a write and its read-back run, the buttons that would start
// another list or close the window wait, the window cannot be closed and
// the program's other windows take no input (TInputHold); a write the
// read-back does not confirm is told in a message box.
// A port that cannot be opened throws the port's exception out of the
// activation to the application's handler; the buttons' handlers show it.
//
// Test hook: Check.Engine.Policy.TimerPeriodMs may be changed before the
// window is activated.
#include "PathCheck.h"
#include "UiKit.h"

#include <QDialog>

#include <string>
#include <vector>

#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTableWidget;
class QTimer;
class QToolButton;
class QWidget;
class TCommEr;
class TInputHold;

class TPathCheckWindow : public QDialog {
    Q_OBJECT
public:
    ~TPathCheckWindow() override;

    QToolButton* Key__Exit;
    QGroupBox* GroupBox1;
    QTableWidget* canal_1;
    QTableWidget* canal_2;
    QLineEdit* max_c1;
    QLineEdit* min_c1;
    QLineEdit* max_c2;
    QLineEdit* min_c2;
    QToolButton* Key_UW;
    QToolButton* Key_UU;
    QProgressBar* progress_Rd;
    QProgressBar* progress_Wr;
    QGroupBox* GroupBox2;
    QWidget* calibBlock;    // everything of GroupBox2 left of Bevel4
    QWidget* calibTable;    // its rows min, U2, U1, max
    QLabel* adc_0;
    QLabel* mV_0;
    QLabel* adc_U2;
    QLabel* mv_U2;
    QLabel* adc_U1;
    QLabel* mV_U1;
    QLabel* adc_1023;
    QLabel* mV_1023;
    QCheckBox* fiks_U2;
    QCheckBox* fiks_U1;
    QLineEdit* real_U2;
    QLineEdit* real_U1;
    QToolButton* key_rdCalibr;
    QToolButton* key_wrCalibr;
    QLabel* Label12;        // "Характеристики ..."
    QLabel* data_sen_13;
    QLabel* data_sen_25;

    TCommEr* Port;
    QTimer* TimerIO;
    TPathCheck Check;

public slots:
    void FormActivate();
    void FormClose();
    void Key__ExitClick();
    void Key_UWClick();
    void Key_UUClick();
    void key_rdCalibrClick();
    void key_wrCalibrClick();
    void fiks_U1Click();
    void fiks_U2Click();
    void PortReceiveData(QObject* Sender, void* Buffer, std::uint16_t BufferLength);
    void TimerIOTimer();

protected:
    TPathCheckWindow(const TPathCheckKind& kind, const char* name, QWidget* parent);

    // The window's own controls show the view's parts; the base shows the
    // common ones, then calls this.
    virtual void ShowOwn(unsigned parts) { (void)parts; }
    // Runs when the window closes, after the port is released.
    virtual void ClosedOwn() {}

    void changeEvent(QEvent* event) override;
    void done(int result) override;

    // Tells the operator something without a nested event loop (handlers
    // may run inside the port's receive event).
    void Tell(const QString& text);

private:
    void BuildLayout();
    QWidget* BuildLivePart();
    QWidget* BuildCalibrationPart();
    void OpenPortIfFree();
    void ReleaseLine();
    void WriteEnded(const TWriteVerdict& verdict, const std::string& note);

    // What the write in progress changes, for its line in the service journal.
    std::vector<std::string> journalDetails_;
    int deltaBefore_ = 0;   // word 26 as last read, before the write
    void ShowView(unsigned parts);

    TActivationWatch activation_;
    TInputHold* hold_;
    bool ownsLine_ = false;   // this window set PortOpenFlag
};
