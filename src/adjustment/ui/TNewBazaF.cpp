#include "TNewBazaF.h"

#include "CheckState.h"
#include "InputHold.h"
#include "InstrumentPort.h"
#include "ServiceRecord.h"
#include "Settings.h"
#include "TCommEr.h"
#include "TFormErrF.h"
#include "UiKit.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <exception>

TNewBazaF* NewBazaF = nullptr;

namespace {

// A pause this long ends a burst of the line: a reply comes in one.
constexpr std::uint32_t kReadIntervalMs = ServiceBurstGapMs;

// What the operator types goes into the view the logic reads (as long as
// `window` is there).
void Follow(QObject* window, QLineEdit* edit, std::string& field)
{
    QObject::connect(edit, &QLineEdit::textChanged, window, [&field](const QString& text) { field = S(text); });
}

void Follow(QObject* window, QTableWidget* grid, TPointTexts& column)
{
    QObject::connect(grid, &QTableWidget::itemChanged, window, [&column](QTableWidgetItem* item) {
        if (item->column() == 1 && item->row() < SensorPointCount)
            column[static_cast<std::size_t>(item->row())] = S(item->text());
    });
}

} // namespace

TNewBazaF::TNewBazaF(QWidget* parent) : QDialog(parent), Base(ReadingFlag)
{
    setObjectName(QStringLiteral("NewBazaF"));
    setWindowTitle(QStringLiteral("База  данных  по  сенсорам"));
    setAccessibleName(windowTitle());
    BuildLayout();

    Port = MakeInstrumentPort(this, "Port", kReadIntervalMs,
                              [this](QObject* sender, void* buffer, std::uint16_t length) {
                                  PortReceiveData(sender, buffer, length);
                              });
    TimerIO = MakeExchangeTimer(this, "TimerIO", SensorBasePolicy.TimerPeriodMs);
    connect(TimerIO, &QTimer::timeout, this, &TNewBazaF::TimerIOTimer);

    JoinEngine(Base.Exchange.Engine, *Port, *TimerIO);
    Base.Hooks.Show = [this](unsigned parts) { ShowView(parts); };
    Base.Hooks.RejectPoints = ShowInputError;
    Base.Hooks.Tell = [this](const std::string& text) { Tell(Q(text)); };
    Base.Hooks.Ask = [this](const std::string& text) { return Ask(Q(text)); };
    Base.Exchange.Hooks.BadItem = [this] { close(); };
    // While a write and its read-back run, nothing may cut them in half:
    // no other list, no hand-over of the line, no closing, and the
    // instrument side stays what is being written.
    hold_ = new TInputHold(this);
    hold_->AlsoHold({Key_Exit, Key_UFin, Key_UFout, key_Baza_P, key_P_Baza, key_ClrStat, Panel5});
    Base.Hooks.Unconfirmed = [this](const std::string& text) {
        ShowUnconfirmedWrite(closing_ ? parentWidget() : this, Q(text));
    };
    Base.Hooks.WriteOver = [this] { hold_->Hold(false); };
    Base.Exchange.Hooks.Journal = [this](const TServiceEntry& entry) {
        RecordServiceEntry(closing_ ? parentWidget() : this, entry);
    };
    // Given up: the line is free again, and "Прием" opens it anew.
    Base.Hooks.LineLost = [this] { ReleaseLine(); };

    TBaseView& v = Base.View;
    Follow(this, GridBaza, v.GridBaza);
    Follow(this, GridBazaP, v.GridBazaP);
    Follow(this, EditNS, v.EditNS);
    Follow(this, edNum_EEPROM, v.EEPROM);
    Follow(this, edNum_Sensor, v.Sensor);
    Follow(this, time_01, v.Time);
    Follow(this, test_All, v.TestAll);
    Follow(this, test_03, v.Test03);
    for (int i = 0; i < 3; ++i)
        connect(typeMoveItem[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Base.View.TypeMove = i;
        });

    // Every handler runs guarded: a file or port error is shown before it
    // could unwind through the toolkit, and a cell being typed into is
    // taken first.
    connect(Key_Exit, &QToolButton::clicked, this, Guarded(this, &TNewBazaF::Key_ExitClick));
    connect(Key_Plus, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::Key_PlusClick));
    connect(Key_Minus, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::Key_MinusClick));
    // Taken when Enter is pressed or the edit is left, not at every key:
    // each number typed on the way would load (or create) its group.
    connect(EditNS, &QLineEdit::editingFinished, this, Guarded(this, &TNewBazaF::EditNSEnter));
    connect(Panel3, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::Panel3Click));
    connect(Panel4, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::Panel4Click));
    connect(Key_UFin, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::Key_UFinClick));
    connect(Key_UFout, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::Key_UFoutClick));
    connect(key_ClrStat, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::key_ClrStatClick));
    connect(key_P_Baza, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::key_P_BazaClick));
    connect(key_Baza_P, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::key_Baza_PClick));
    connect(Panel5, &QPushButton::clicked, this, Guarded(this, &TNewBazaF::Panel5Click));

    ShowView(BaseAll);
}

TNewBazaF::~TNewBazaF()
{
    // Controls going away (an edit losing the focus) must not reach
    // handlers of a window that is half gone.
    for (QObject* control : findChildren<QObject*>())
        control->disconnect(this);
    TimerIO->stop();
    Port->ClosePort();
    if (ownsLine_)
        PortOpenFlag = false;
}

// --- activation and closing ------------------------------------------------

void TNewBazaF::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Coming back from its message boxes or the input error window must not
    // load over the grids.
    if (event->type() == QEvent::ActivationChange && activation_.Activated(this))
        RunGuarded([this] { FormActivate(); });
}

void TNewBazaF::done(int result)
{
    // A write runs to the end of its read-back first.
    if (hold_->Holding())
        return;
    // Closed by its frame or Escape: what is being typed into a cell counts
    // for the transfer made on closing.
    CommitOpenEditors(this);
    closing_ = true;
    FormClose();
    closing_ = false;
    QDialog::done(result);
}

void TNewBazaF::FormActivate()
{
    Key_Exit->setChecked(false);
    // The record is shown even when the port cannot be opened; a group file
    // error is told by the logic.
    std::exception_ptr portError;
    Base.Activate();
    try {
        OpenPortIfFree();
    } catch (...) {
        portError = std::current_exception();
    }
    if (!Base.Exchange.Busy()) {
        Base.Exchange.Engine.IdleTicks = 0;
        TimerIO->stop();
    }
    if (portError)
        std::rethrow_exception(portError);
}

void TNewBazaF::FormClose()
{
    Base.Exchange.Stop();
    activation_.Reset();
    // The transfer "База => Прибор" first; whatever becomes of it, the
    // window closes and gives the line back.
    try {
        Base.Close();
    } catch (const std::exception& e) {
        Tell(QString::fromUtf8(e.what()));
    }
    ReleaseLine();
}

void TNewBazaF::Key_ExitClick()
{
    if (hold_->Holding())
        return;
    ReleaseLine();
    close();
}

void TNewBazaF::OpenPortIfFree()
{
    if (PortOpenFlag)
        return;
    Port->SetCommName(PortName);
    Port->OpenPort(); // a failure leaves here: the application's handler tells it
    PortOpenFlag = true;
    ownsLine_ = true;
}

void TNewBazaF::ReleaseLine()
{
    TimerIO->stop();
    if (!ownsLine_)
        return;
    Port->ClosePort();
    PortOpenFlag = false;
    ownsLine_ = false;
}

void TNewBazaF::PortReceiveData(QObject*, void* Buffer, std::uint16_t BufferLength)
{
    Base.Exchange.Receive(Buffer, BufferLength);
}

void TNewBazaF::TimerIOTimer()
{
    Base.Exchange.Tick();
}

// --- handlers ----------------------------------------------------------------

void TNewBazaF::Key_PlusClick()
{
    Base.NextSensor();
}

void TNewBazaF::Key_MinusClick()
{
    Base.PreviousSensor();
}

void TNewBazaF::EditNSEnter()
{
    Base.TypedSensor();
}

void TNewBazaF::Panel3Click()
{
    Base.CorrectRecord();
}

void TNewBazaF::Panel4Click()
{
    Base.NewRecord();
}

void TNewBazaF::Key_UFinClick()
{
    OpenPortIfFree();
    Base.StartNumberRead();
}

void TNewBazaF::Key_UFoutClick()
{
    Base.PrepareNumberWrite();
    OpenPortIfFree();
    StartHeld([this] { Base.StartNumberWrite(); });
}

void TNewBazaF::key_ClrStatClick()
{
    Base.ClearStatistics();
}

void TNewBazaF::key_P_BazaClick()
{
    Base.InstrumentToBase();
}

void TNewBazaF::key_Baza_PClick()
{
    if (!Base.PrepareBaseToInstrument())
        return;
    OpenPortIfFree();
    StartHeld([this] { Base.StartBaseToInstrument(); });
}

// Starts a write; the hold is on as long as it runs, even when what follows
// the start (saving the settings) fails.
void TNewBazaF::StartHeld(const std::function<void()>& start)
{
    try {
        start();
    } catch (...) {
        hold_->Hold(Base.Exchange.Writing());
        throw;
    }
    hold_->Hold(Base.Exchange.Writing());
}

void TNewBazaF::Panel5Click()
{
    if (!SensorTable || hold_->Holding())
        return;
    // The sensor table may write into the instrument: the line is handed
    // over, and taken back when this window is active again.
    Base.Exchange.Stop();
    ReleaseLine();
    ShowNonModal(SensorTable);
}

void TNewBazaF::Label21Click()
{
    Panel5Click();
}

// --- what the window shows ---------------------------------------------------

void TNewBazaF::ShowView(unsigned parts)
{
    const TBaseView& v = Base.View;
    if (parts & BaseNumberEdit)
        PutText(EditNS, v.EditNS);
    if (parts & BaseGrids) {
        for (int r = 0; r < SensorPointCount; ++r) {
            PutCell(GridBaza, r, 1, v.GridBaza[static_cast<std::size_t>(r)]);
            PutCell(GridBazaP, r, 1, v.GridBazaP[static_cast<std::size_t>(r)]);
        }
        for (int r = 0; r < GridS->rowCount(); ++r)
            PutCell(GridS, r, 1, v.GridS[static_cast<std::size_t>(r)]);
        PutText(EditText, v.EditText);
    }
    if (parts & BaseNumbers) {
        PutText(edNum_EEPROM, v.EEPROM);
        PutText(edNum_Sensor, v.Sensor);
        PutText(time_01, v.Time);
        PutText(test_All, v.TestAll);
        PutText(test_03, v.Test03);
    }
    if (parts & BaseProgress) {
        progress_Rd->setValue(v.ProgressRd);
        progress_Wr->setValue(v.ProgressWr);
    }
    if ((parts & BaseTransfer) && v.TypeMove >= 0 && v.TypeMove < 3)
        typeMoveItem[v.TypeMove]->setChecked(true);
}

void TNewBazaF::Tell(const QString& text)
{
    // While the window closes, the message outlives it.
    QWidget* owner = closing_ ? parentWidget() : this;
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("BaseMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool TNewBazaF::Ask(const QString& text)
{
    QMessageBox box(QMessageBox::Question, AppTitle(), text, QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("BaseQuestion"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
