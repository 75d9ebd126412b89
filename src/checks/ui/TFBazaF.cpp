#include "TFBazaF.h"

#include "CheckState.h"
#include "Engineers.h"
#include "InputHold.h"
#include "InstrumentPort.h"
#include "ServiceRecord.h"
#include "ServiceSession.h"
#include "Settings.h"
#include "TCommEr.h"
#include "TFormErrF.h"
#include "UiKit.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

TFBazaF* FBazaF = nullptr;

namespace {

// A pause this long ends a burst of the line: a reply comes in one.
constexpr std::uint32_t kReadIntervalMs = ServiceBurstGapMs;

} // namespace

TFBazaF::TFBazaF(QWidget* parent) : QDialog(parent), Table(ReadingFlag)
{
    setObjectName(QStringLiteral("FBazaF"));
    setWindowTitle(QStringLiteral("FBazaF"));
    setAccessibleName(QStringLiteral("Таблица сенсоров"));
    setModal(false);
    BuildLayout();

    PortB = MakeInstrumentPort(this, "PortB", kReadIntervalMs,
                               [this](QObject* sender, void* buffer, std::uint16_t length) {
                                   PortBReceiveData(sender, buffer, length);
                               });
    TimerIOB = MakeExchangeTimer(this, "TimerIOB", SensorTablePolicy.TimerPeriodMs);
    connect(TimerIOB, &QTimer::timeout, this, &TFBazaF::TimerIOBTimer);

    hold_ = new TInputHold(this);
    JoinEngine(Table.Exchange.Engine, *PortB, *TimerIOB);
    Table.Hooks.Show = [this](unsigned parts) { ShowView(parts); };
    Table.Hooks.RejectPoints = ShowInputError;
    Table.Hooks.Tell = [this](const std::string& text) { Tell(Q(text)); };
    Table.Hooks.ExchangeOver = [this] { ReleaseLine(); };
    Table.Hooks.Unconfirmed = [this](const std::string& text) { ShowUnconfirmedWrite(this, Q(text)); };
    Table.Hooks.WriteOver = [this] { hold_->Hold(false); };
    Table.Exchange.Hooks.Journal = [this](const TServiceEntry& entry) { RecordServiceEntry(this, entry); };
    // While the write and its read-back run, nothing starts another write
    // or closes the window.
    hold_->AlsoHold({Key__Exit, Key_DataEdit, key_DelMi, key_DelPl});

    connect(Key__Exit, &QToolButton::clicked, this, Guarded(this, &TFBazaF::Key__ExitClick));
    connect(numSenE, &QLineEdit::returnPressed, this, Guarded(this, &TFBazaF::numSenEChange));
    // Left without Enter, the edit shows the sensor shown again.
    connect(numSenE, &QLineEdit::editingFinished, this, [this] { PutText(numSenE, Table.View.NumSenE); });
    connect(downN, &QToolButton::clicked, this, Guarded(this, &TFBazaF::downNClick));
    connect(upN, &QToolButton::clicked, this, Guarded(this, &TFBazaF::upNClick));
    connect(Grid1, &QTableWidget::currentCellChanged, this, Guarded(this, &TFBazaF::Grid1SelectCell));
    connect(Grid1, &QTableWidget::cellClicked, this, Guarded(this, &TFBazaF::Grid1Click));
    connect(Grid1, &QTableWidget::cellDoubleClicked, this, Guarded(this, &TFBazaF::Grid1DblClick));
    Grid1->installEventFilter(this);
    connect(GridBaza, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 1)
            Table.View.GridBaza[static_cast<std::size_t>(item->row())] = S(item->text());
    });
    connect(Key_DataEdit, &QToolButton::clicked, this, Guarded(this, &TFBazaF::Key_DataEditClick));
    connect(key_DelMi, &QPushButton::clicked, this, Guarded(this, &TFBazaF::key_DelMiClick));
    connect(key_DelPl, &QPushButton::clicked, this, Guarded(this, &TFBazaF::key_DelPlClick));
    connect(txt_PlMinus, &QLineEdit::textChanged, this, [this](const QString& t) { Table.View.TxtPlMinus = S(t); });
    connect(editTxt, &QLineEdit::textChanged, this, [this](const QString& t) { Table.View.EditTxt = S(t); });
    connect(flagWrite, &QCheckBox::toggled, this, [this](bool on) { Table.View.FlagWrite = on; });

    FormCreate();
}

TFBazaF::~TFBazaF()
{
    // Controls going away (an edit losing the focus) must not reach
    // handlers of a window that is half gone.
    for (QObject* control : findChildren<QObject*>())
        control->disconnect(this);
    TimerIOB->stop();
    PortB->ClosePort();
    if (ownsLine_)
        PortOpenFlag = false;
}

int TFBazaF::TopRow() const
{
    return Grid1->rowAt(0) + 1;
}

// --- activation and closing ------------------------------------------------

void TFBazaF::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Coming back from its message boxes or the input error window must not
    // build the table over points being typed.
    if (event->type() == QEvent::ActivationChange && activation_.Activated(this))
        RunGuarded([this] { FormActivate(); });
}

void TFBazaF::done(int result)
{
    // A write runs to the end of its read-back first.
    if (hold_->Holding())
        return;
    FormClose();
    QDialog::done(result);
}

void TFBazaF::FormCreate()
{
    move(0, 0);
}

void TFBazaF::FormActivate()
{
    Key__Exit->setChecked(false);
    Table.Activate();
}

void TFBazaF::FormClose()
{
    Table.Close();
    ReleaseLine();
    Key__Exit->setChecked(false);
    activation_.Reset();
}

void TFBazaF::Key__ExitClick()
{
    close();
}

// --- the line ----------------------------------------------------------------

bool TFBazaF::TakeLine()
{
    if (ownsLine_)
        return true;
    if (PortOpenFlag) {
        Tell(QStringLiteral("Линия связи с прибором занята другим окном программы: в прибор ничего не "
                            "записано. Закройте то окно и нажмите «Ввод» снова."));
        return false;
    }
    PortB->SetCommName(PortName);
    PortB->OpenPort(); // a failure leaves here: the application's handler tells it
    PortOpenFlag = true;
    ownsLine_ = true;
    return true;
}

void TFBazaF::ReleaseLine()
{
    if (!ownsLine_)
        return;
    TimerIOB->stop();
    PortB->ClosePort();
    PortOpenFlag = false;
    ownsLine_ = false;
}

void TFBazaF::PortBReceiveData(QObject*, void* Buffer, std::uint16_t BufferLength)
{
    Table.Exchange.Receive(Buffer, BufferLength);
}

void TFBazaF::TimerIOBTimer()
{
    Table.Exchange.Tick();
}

// --- handlers ----------------------------------------------------------------
// Those that store or open the port run guarded (Guarded, RunGuarded): a file
// or port error is shown before it could unwind through the toolkit.

void TFBazaF::numSenEChange()
{
    Table.View.NumSenE = S(numSenE->text());
    Table.TypedNumber();
}

void TFBazaF::downNClick()
{
    Table.View.NumSenE = S(numSenE->text());
    Table.Step(-1);
}

void TFBazaF::upNClick()
{
    Table.View.NumSenE = S(numSenE->text());
    Table.Step(+1);
}

void TFBazaF::ShowCurrentRow()
{
    if (showing_)
        return;
    Table.ShowRow(Grid1->currentRow() + 1);
}

void TFBazaF::Grid1SelectCell()
{
    ShowCurrentRow();
}

void TFBazaF::Grid1Click()
{
    ShowCurrentRow();
}

void TFBazaF::Grid1DblClick()
{
    ShowCurrentRow();
}

void TFBazaF::Grid1Enter()
{
    ShowCurrentRow();
}

bool TFBazaF::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Grid1 && event->type() == QEvent::FocusIn)
        RunGuarded([this] { Grid1Enter(); });
    return QDialog::eventFilter(watched, event);
}

void TFBazaF::Key_DataEditClick()
{
    if (Table.Exchange.Busy())
        return; // the write before this one is still running
    if (!Table.Commit())
        return;
    // With engineer accounts, only a signed-in engineer writes into an
    // instrument; the sensor table opened from the main window keeps the
    // group file only.
    if (SignInRequired() && !SessionOpen()) {
        QMessageBox box(QMessageBox::Information, AppTitle(),
                        QStringLiteral("Данные сенсора сохранены в базе. Запись в прибор выполняется только в "
                                       "сеансе наладки: войдите через панель «Наладка  прибора»."),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("SignInNeeded"));
        box.exec();
        return;
    }
    if (!TakeLine())
        return;
    try {
        Table.StartWriting();
    } catch (...) {
        // Stored nothing and sent nothing: the line is free again. (A
        // settings file that failed after the write started is told; the
        // write goes on.)
        if (!Table.Exchange.Writing())
            ReleaseLine();
        hold_->Hold(Table.Exchange.Writing());
        throw;
    }
    hold_->Hold(Table.Exchange.Writing());
}

void TFBazaF::key_DelMiClick()
{
    Table.Shift(-1);
}

void TFBazaF::key_DelPlClick()
{
    Table.Shift(+1);
}

// --- what the window shows ---------------------------------------------------

void TFBazaF::ShowView(unsigned parts)
{
    const TSensorTableView& v = Table.View;
    if (parts & TableNumber)
        PutText(numSenE, v.NumSenE);
    if (parts & TableRows) {
        for (int c = 0; c < SensorTableColumns; ++c)
            Grid1->horizontalHeaderItem(c)->setText(Q(v.Grid1[0][static_cast<std::size_t>(c)]));
        for (int r = 1; r < SensorTableRows; ++r)
            for (int c = 0; c < SensorTableColumns; ++c)
                PutCell(Grid1, r - 1, c, v.Grid1[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
    }
    if ((parts & TableSelection) && v.SelectedRow > 0) {
        showing_ = true;
        const int column = std::max(Grid1->currentColumn(), 0);
        Grid1->setCurrentCell(v.SelectedRow - 1, column, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        if (v.TopRow > 0)
            Grid1->scrollToItem(Grid1->item(v.TopRow - 1, 0), QAbstractItemView::PositionAtTop);
        showing_ = false;
    }
    if (parts & TablePoints)
        for (int r = 0; r < SensorPointCount; ++r)
            PutCell(GridBaza, r, 1, v.GridBaza[static_cast<std::size_t>(r)]);
    if (parts & TableThresholds)
        for (int r = 0; r < ThresholdRows; ++r)
            PutCell(Grid_S, r, 1, v.GridS[static_cast<std::size_t>(r)]);
    if (parts & TableNote)
        PutText(editTxt, v.EditTxt);
    if (parts & TableProgress) {
        progress_WrB->setValue(v.ProgressWr);
        progress_RdB->setValue(v.ProgressRd);
    }
}

void TFBazaF::Tell(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("TableMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
