#pragma once
// The sensor database window: the selected sensor's record in the group
// files beside the data the program last read from the instrument. Copies
// either way, corrects a record, creates the next sensor's record, reads
// and writes the instrument's device number, sensor number and statistics,
// and opens the sensor table. The logic is TSensorBase (SensorBase.h).
//
// The adjustment window shows it above itself after closing its own port.
// It owns its port `Port` and timer `TimerIO` (100 ms) and opens the port
// on activation when no window holds the line; it hands the line to the
// sensor table before opening it, and takes it back when it is active
// again. Every activation loads the selected sensor again and makes the
// transfer chosen in `typeMove` ("Прибор => База"); closing makes the
// transfer "База => Прибор". Coming back from its own message box, the
// input error window or another program is not an activation. Every write
// is read back; while it runs the window holds (TInputHold) and cannot be
// closed, and a write not confirmed is told word by word.
#include "SensorBase.h"
#include "UiKit.h"

#include <QDialog>

#include <cstdint>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;
class QToolButton;
class TCommEr;
class TInputHold;

class TNewBazaF : public QDialog {
    Q_OBJECT
public:
    explicit TNewBazaF(QWidget* parent = nullptr);
    ~TNewBazaF() override;

    QToolButton* Key_Exit;
    QLabel* Label1;                 // "Данные  сенсора:  "
    QLineEdit* EditNS;
    QPushButton* Key_Plus;
    QPushButton* Key_Minus;
    QTableWidget* GridS;
    QLabel* Label2;                 // the note's caption
    QLineEdit* EditText;
    QLabel* Label3;                 // "Из  базы данных  "
    QTableWidget* GridBaza;
    QLabel* Label4;                 // "Из  прибора  "
    QTableWidget* GridBazaP;
    QGroupBox* typeMove;
    QRadioButton* typeMoveItem[3];
    QPushButton* key_P_Baza;
    QLabel* Label5;                 // "Прибор => База"
    QPushButton* key_Baza_P;
    QLabel* Label6;                 // "База => Прибор"
    QLabel* Label7;                 // device number caption
    QLineEdit* edNum_EEPROM;
    QLabel* Label9;                 // sensor number caption
    QLineEdit* edNum_Sensor;
    QPushButton* Key_UFin;
    QPushButton* Key_UFout;
    QGroupBox* GroupBoxStat;
    QLabel* Label10, *Label11, *Label15;   // statistics captions
    QLineEdit* time_01;
    QLineEdit* test_All;
    QLineEdit* test_03;
    QPushButton* key_ClrStat;
    QLabel* Label16;                // "Считывание из прибора:"
    QProgressBar* progress_Rd;
    QLabel* Label17;                // "Запись в прибор:"
    QProgressBar* progress_Wr;
    QPushButton* Panel3;
    QLabel* Label18, *Label19, *Label20, *Label22;   // Panel3's lines
    QPushButton* Panel4;
    QLabel* Label8, *Label12, *Label13, *Label14;    // Panel4's lines
    QPushButton* Panel5;
    QLabel* Label21;

    TCommEr* Port;
    QTimer* TimerIO;
    TSensorBase Base;
    // The sensor table window, given at start.
    QDialog* SensorTable = nullptr;

public slots:
    void FormActivate();
    void FormClose();
    void Key_ExitClick();
    void Key_PlusClick();
    void Key_MinusClick();
    void EditNSEnter();
    void Panel3Click();
    void Panel4Click();
    void Key_UFinClick();
    void Key_UFoutClick();
    void key_ClrStatClick();
    void key_P_BazaClick();
    void key_Baza_PClick();
    void Panel5Click();
    void Label21Click();
    void PortReceiveData(QObject* Sender, void* Buffer, std::uint16_t BufferLength);
    void TimerIOTimer();

protected:
    void changeEvent(QEvent* event) override;
    void done(int result) override;

private:
    void BuildLayout();
    void ShowView(unsigned parts);
    void OpenPortIfFree();
    void ReleaseLine();
    void StartHeld(const std::function<void()>& start);
    void Tell(const QString& text);
    bool Ask(const QString& text);

    TInputHold* hold_;
    bool ownsLine_ = false;
    bool closing_ = false;
    TActivationWatch activation_;
};

extern TNewBazaF* NewBazaF;
