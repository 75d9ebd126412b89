#include "TPathCheckWindow.h"

#include "InputHold.h"
#include "InstrumentPort.h"
#include "Registers.h"
#include "Settings.h"
#include "TCommEr.h"
#include "ServiceRecord.h"
#include "UiKit.h"

#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr int kDesignTimerMs = 200;   // the timer's period until the first read cycle sets 100 ms
// A pause this long ends a burst of the line: a reply comes in one.
constexpr std::uint32_t kReadIntervalMs = ServiceBurstGapMs;

// A value label speaks its current value; its role is its description.
void Put(QLabel* label, const std::string& text)
{
    const QString q = Q(text);
    if (label->text() == q)
        return;
    label->setText(q);
}

void Put(QTableWidget* grid, const TCheckView::Table& cells)
{
    for (int c = 0; c < 3; ++c) {
        const QString heading = Q(cells[0][c]);
        if (grid->horizontalHeaderItem(c)->text() != heading)
            grid->horizontalHeaderItem(c)->setText(heading);
        for (int r = 1; r < 9; ++r) {
            const QString q = Q(cells[r][c]);
            QTableWidgetItem* item = grid->item(r - 1, c);
            if (item->text() != q)
                item->setText(q);
        }
    }
}

void Press(QToolButton* button, bool down)
{
    if (button->isChecked() != down)
        button->setChecked(down);
}

} // namespace

TPathCheckWindow::TPathCheckWindow(const TPathCheckKind& kind, const char* name, QWidget* parent)
    : QDialog(parent), Check(kind)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(QStringLiteral("Контроль измерительного тракта"));
    setAccessibleName(windowTitle());
    setModal(false);
    BuildLayout();

    Port = MakeInstrumentPort(this, "Port", kReadIntervalMs,
                              [this](QObject* sender, void* buffer, std::uint16_t length) {
                                  PortReceiveData(sender, buffer, length);
                              });
    TimerIO = MakeExchangeTimer(this, "TimerIO", kDesignTimerMs);
    connect(TimerIO, &QTimer::timeout, this, &TPathCheckWindow::TimerIOTimer);

    JoinEngine(Check.Engine, *Port, *TimerIO);
    Check.Hooks.Show = [this](unsigned parts) { ShowView(parts); };
    Check.Hooks.CloseWindow = [this] { close(); };
    Check.Hooks.GaveUp = [this] { ReleaseLine(); };
    Check.Hooks.WriteEnded = [this](const TWriteVerdict& verdict, const std::string& note) {
        WriteEnded(verdict, note);
    };

    hold_ = new TInputHold(this);
    hold_->AlsoHold({key_wrCalibr, Key_UW, Key_UU, key_rdCalibr, Key__Exit});

    // Those that may open the port run guarded: a port that cannot be
    // opened is told, and never unwinds through the button's own code.
    connect(Key__Exit, &QToolButton::clicked, this, Guarded(this, &TPathCheckWindow::Key__ExitClick));
    connect(Key_UW, &QToolButton::clicked, this, Guarded(this, &TPathCheckWindow::Key_UWClick));
    connect(Key_UU, &QToolButton::clicked, this, Guarded(this, &TPathCheckWindow::Key_UUClick));
    // A double click arrives as a second click.
    connect(key_rdCalibr, &QToolButton::clicked, this, Guarded(this, &TPathCheckWindow::key_rdCalibrClick));
    connect(key_wrCalibr, &QToolButton::clicked, this, Guarded(this, &TPathCheckWindow::key_wrCalibrClick));
    connect(fiks_U1, &QCheckBox::clicked, this, Guarded(this, &TPathCheckWindow::fiks_U1Click));
    connect(fiks_U2, &QCheckBox::clicked, this, Guarded(this, &TPathCheckWindow::fiks_U2Click));

    // What the operator types goes into the view the logic reads.
    const std::pair<QLineEdit*, std::string TCheckView::*> typed[] = {
        {max_c1, &TCheckView::MaxC1}, {min_c1, &TCheckView::MinC1}, {max_c2, &TCheckView::MaxC2},
        {min_c2, &TCheckView::MinC2}, {real_U1, &TCheckView::RealU1}, {real_U2, &TCheckView::RealU2},
    };
    for (const auto& [edit, field] : typed)
        connect(edit, &QLineEdit::textEdited, this,
                [this, field = field](const QString& text) { Check.View.*field = S(text); });

    ShowView(ViewAll);
}

TPathCheckWindow::~TPathCheckWindow()
{
    TimerIO->stop();
    Port->ClosePort();
}

void TPathCheckWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Coming back from this window's message box or from another program
    // restarts nothing: the captured points and typed voltages stay.
    if (event->type() == QEvent::ActivationChange && activation_.Activated(this))
        RunGuarded([this] { FormActivate(); }); // a port that cannot be opened is told
}

void TPathCheckWindow::done(int result)
{
    if (hold_->Holding())
        return; // the write runs to its read-back first
    FormClose();
    QDialog::done(result);
}

void TPathCheckWindow::OpenPortIfFree()
{
    if (PortOpenFlag)
        return;
    Port->SetCommName(PortName);
    Port->OpenPort(); // a failure leaves here: no flag
    PortOpenFlag = true;
    ownsLine_ = true;
}

void TPathCheckWindow::ReleaseLine()
{
    // The engine has closed the port; the flag is this window's to clear
    // only when it set it.
    if (ownsLine_) {
        PortOpenFlag = false;
        ownsLine_ = false;
    }
}

void TPathCheckWindow::WriteEnded(const TWriteVerdict& verdict, const std::string& note)
{
    hold_->Hold(false);
    if (!Check.Kind.WritesCalibration && !verdict.Words.empty()) {
        // The start delta as the instrument holds it after the write.
        const TWrittenWord& w = verdict.Words.front();
        journalDetails_ = ValueDetails(deltaBefore_, w.Read.value_or(w.Written));
        if (w.Read && *w.Read != w.Written)
            journalDetails_.push_back("записано " + std::to_string(w.Written));
    }
    RecordServiceEntry(this, ServiceEntryNow(Check.Kind.WriteWhat, verdict.Confirmed, journalDetails_));
    if (!verdict.Confirmed)
        ShowUnconfirmedWrite(this, Q(UnconfirmedText(verdict, Check.Kind.WriteWhat)));
    else if (!note.empty())
        Tell(Q(note));
}

void TPathCheckWindow::FormActivate()
{
    Key__Exit->setChecked(false);
    OpenPortIfFree();
    Check.Activate();
}

void TPathCheckWindow::FormClose()
{
    if (PortOpenFlag) {
        Port->ClosePort();
        PortOpenFlag = false;
    }
    ownsLine_ = false;
    // The timer stops too: a tick of a closed window would otherwise go on
    // changing the exchange state another window may be using.
    Check.Close();
    activation_.Reset();
    ClosedOwn();
}

void TPathCheckWindow::Key__ExitClick()
{
    if (hold_->Holding())
        return;
    if (PortOpenFlag) {
        Port->ClosePort();
        PortOpenFlag = false;
    }
    ownsLine_ = false;
    close();
}

void TPathCheckWindow::Key_UWClick()
{
    OpenPortIfFree(); // again after the instrument fell silent
    Check.RunPolling();
}

void TPathCheckWindow::Key_UUClick()
{
    Check.PausePolling();
}

void TPathCheckWindow::key_rdCalibrClick()
{
    if (!ReadingFlag)
        OpenPortIfFree();
    Check.ToggleReading();
    ShowView(ViewButtons); // the button shows the flag at the next refresh or tick
}

void TPathCheckWindow::key_wrCalibrClick()
{
    // As found: the words as the instrument last gave them.
    const int zeroBefore = Data_Sen[Reg2::ZeroOffset];
    const int supplyBefore = Data_Sen[Reg2::Supply];
    deltaBefore_ = Data_Sen[Reg2::BlowDelta];
    std::string message;
    if (!Check.PrepareWrite(message)) {
        Tell(Q(message));
        return;
    }
    const TCalibrationPoints& p = CalibrationPoints;
    journalDetails_ = Check.Kind.WritesCalibration
        ? PathCalibrationDetails(zeroBefore, supplyBefore, Data_Sen[Reg2::ZeroOffset], Data_Sen[Reg2::Supply],
                                 {p.U1Adc, p.RealU1}, {p.U2Adc, p.RealU2})
        : ValueDetails(deltaBefore_, Data_Sen[Reg2::BlowDelta]);
    OpenPortIfFree();
    hold_->Hold(true);
    Check.StartWriting();
}

void TPathCheckWindow::fiks_U1Click()
{
    Check.ToggleHold(1);
}

void TPathCheckWindow::fiks_U2Click()
{
    Check.ToggleHold(2);
}

void TPathCheckWindow::PortReceiveData(QObject*, void* Buffer, std::uint16_t BufferLength)
{
    Check.Receive(Buffer, BufferLength);
}

void TPathCheckWindow::TimerIOTimer()
{
    Check.Tick();
}

void TPathCheckWindow::Tell(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("CheckMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TPathCheckWindow::ShowView(unsigned parts)
{
    const TCheckView& v = Check.View;
    if (parts & ViewTables) {
        Put(canal_1, v.Canal1);
        Put(canal_2, v.Canal2);
        PutText(max_c1, v.MaxC1);
        PutText(min_c1, v.MinC1);
        PutText(max_c2, v.MaxC2);
        PutText(min_c2, v.MinC2);
    }
    if (parts & ViewCalibration) {
        Put(adc_0, v.Adc0);
        Put(mV_0, v.MV0);
        Put(adc_U2, v.AdcU2);
        Put(mv_U2, v.MvU2);
        Put(adc_U1, v.AdcU1);
        Put(mV_U1, v.MVU1);
        Put(adc_1023, v.Adc1023);
        Put(mV_1023, v.MV1023);
        PutText(real_U2, v.RealU2);
        PutText(real_U1, v.RealU1);
        Put(data_sen_13, v.DataSen13);
        Put(data_sen_25, v.DataSen25);
        fiks_U1->setChecked(v.FixU1);
        fiks_U2->setChecked(v.FixU2);
    }
    if (parts & ViewProgress) {
        progress_Rd->setValue(v.ProgressRd);
        progress_Wr->setValue(v.ProgressWr);
    }
    if (parts & ViewButtons) {
        Press(Key_UW, v.KeyUWDown);
        Press(Key_UU, v.KeyUUDown);
        Press(key_rdCalibr, v.ReadDown);
        if (key_rdCalibr->text() != Q(v.ReadCaption)) {
            key_rdCalibr->setText(Q(v.ReadCaption));
            key_rdCalibr->setAccessibleName(key_rdCalibr->text());
        }
    }
    ShowOwn(parts);
}
