#pragma once
// The sensor table window: one sensor group file as a table of its 100
// sensors. The engineer selects a sensor, edits its seven points or shifts
// them by a step, and "Ввод" derives the characteristic, saves the group
// file and, with "Записать в прибор", writes it into the instrument and
// reads the numbers back. The logic is TSensorTable (SensorTable.h).
//
// The window is not modal: the main window stays usable beside it. Opened
// while a modal window is open (from the sensor database), it is shown
// application-modal until it closes (ShowNonModal). It owns its port
// `PortB` and timer `TimerIOB`, but takes the line only for a write: when
// no window holds it, it opens its port, and while the write and its
// read-back run the other windows take no input; then it gives the line
// back. A line held by another window is told, and nothing is written.
// Coming back from its own message box or the input error window is not an
// activation, so points being typed stay.
#include "SensorTable.h"
#include "UiKit.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;
class QToolButton;
class TCommEr;
class TInputHold;

class TFBazaF : public QDialog {
    Q_OBJECT
public:
    static constexpr int VisibleRows = 28;   // rows of Grid1 on screen

    explicit TFBazaF(QWidget* parent = nullptr);
    ~TFBazaF() override;

    QFrame* Panel1;
    QLabel* Label1;
    QLineEdit* numSenE;
    QToolButton* downN;
    QToolButton* upN;
    QToolButton* Key__Exit;
    QTableWidget* Grid1;
    QTableWidget* GridBaza;
    QTableWidget* Grid_S;
    QPushButton* key_DelMi;
    QLineEdit* txt_PlMinus;
    QPushButton* key_DelPl;
    QLabel* Label3;          // "Запись в прибор:"
    QProgressBar* progress_WrB;
    QLabel* Label4;          // "Считывание из прибора:"
    QProgressBar* progress_RdB;
    QCheckBox* flagWrite;
    QToolButton* Key_DataEdit;
    QLabel* Label2;
    QLineEdit* editTxt;

    TCommEr* PortB;
    QTimer* TimerIOB;
    TSensorTable Table;

    // The first row of the table on screen (1..100).
    int TopRow() const;

public slots:
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Key__ExitClick();
    void numSenEChange();
    void downNClick();
    void upNClick();
    void Grid1SelectCell();
    void Grid1Click();
    void Grid1DblClick();
    void Grid1Enter();
    void Key_DataEditClick();
    void key_DelMiClick();
    void key_DelPlClick();
    void PortBReceiveData(QObject* Sender, void* Buffer, std::uint16_t BufferLength);
    void TimerIOBTimer();

protected:
    void changeEvent(QEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    void ShowView(unsigned parts);
    void ShowCurrentRow();
    bool TakeLine();
    void ReleaseLine();
    void Tell(const QString& text);

    TInputHold* hold_;
    bool ownsLine_ = false;
    bool showing_ = false;            // the window itself moves the grid's selection
    TActivationWatch activation_;
};

extern TFBazaF* FBazaF;
