#include "TDebNewF.h"

#include "Certificate.h"
#include "Engineers.h"
#include "InputHold.h"
#include "InstrumentPort.h"
#include "ProtocolPages.h"
#include "ReadingsView.h"
#include "Registers.h"
#include "SensorGroup.h"
#include "ServiceDoor.h"
#include "ServiceRecord.h"
#include "ServiceSession.h"
#include "Settings.h"
#include "TCommEr.h"
#include "Text.h"
#include "TFormErrF.h"
#include "TGasF.h"
#include "THistoryF.h"
#include "TPrintF.h"
#include "UiKit.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

TDebNewF* DebNewF = nullptr;

namespace {

constexpr std::int32_t kBatchEnd = 7;
// A pause this long ends a burst of the line: a reply comes in one.
constexpr std::uint32_t kReadIntervalMs = ServiceBurstGapMs;
constexpr int kOverlayHeight = 161;
// Typed numbers are kept to a range the computations cannot overflow.
constexpr int kTypedLimit = 1000000;
// What the table write names in its confirmation and its warning.
const std::string kWhatIsWritten = "характеристика";

int Typed(const QString& text)
{
    return static_cast<int>(std::clamp<std::int64_t>(ReadInt(S(text)), -kTypedLimit, kTypedLimit));
}

QString Width(int value, int width)
{
    return Q(FormatInt(value, width));
}

// What the instrument holds after the write; words the write did not
// touch as the window holds them.
std::string HeldAfterWrite(const TWriteVerdict& verdict)
{
    std::array<int, SensorTableSize> table{};
    std::copy_n(Data_Sen.begin(), SensorTableSize, table.begin());
    return HeldAfterWrite(verdict, table);
}

// Rows of Grid_S: label and the Data_Sen word shown.
struct TParameterRow {
    const char* label;
    int word;
};
constexpr TParameterRow kParameterRows[15] = {
    {"G_FOULL        ", 12}, {"U питания      ", 25}, {"Переход 0.0/0.1", 14}, {"Переход 0.1/0.2", 15},
    {"Переход 0.2/0.3", 16}, {"Переход 0.3/0.4", 17}, {"Переход 0.4/0.5", 18}, {"Переход 0.5/0.6", 19},
    {"Переход 0.6/0.7", 20}, {"Переход 0.7/0.8", 21}, {"Переход 0.8/0.9", 22}, {"Переход 0.9/1.0", 23},
    {"Переход 1.0/Del", 24}, {"k_UF           ", 11}, {"BLOW_OUT       ", 26},
};

} // namespace

TDebNewF::TDebNewF(QWidget* parent) : QDialog(parent), Engine(ServiceLink(AdjustmentPolicy))
{
    setObjectName(QStringLiteral("DebNewF"));
    setWindowTitle(QStringLiteral("Наладка"));
    setAccessibleName(windowTitle());
    setModal(true);
    BuildLayout();
    for (int r = 0; r < 15; ++r)
        Grid_S->item(r, 0)->setText(QString::fromUtf8(kParameterRows[r].label));

    Port = MakeInstrumentPort(this, "Port", kReadIntervalMs,
                              [this](QObject* sender, void* buffer, std::uint16_t length) {
                                  PortReceiveData(sender, buffer, length);
                              });
    TimerIO = MakeExchangeTimer(this, "TimerIO", AdjustmentPolicy.TimerPeriodMs);
    connect(TimerIO, &QTimer::timeout, this, &TDebNewF::TimerIOTimer);

    JoinEngine(Engine, *Port, *TimerIO);
    Engine.Hooks.ModeStep = [this] { ModeStep(); };
    Engine.Hooks.ListEnd = [this] { ListEnd(); };
    Engine.Hooks.BadItem = [this] {
        if (writeCheck_.Active())
            EndWriteCheck(writeCheck_.Abort(WriteCut::Closed));
        close();
    };
    Engine.Hooks.ItemSent = [this](std::uint8_t) {
        if (progresIO->isVisible())
            progresIO->setValue(std::min(CommandIndex, progresIO->maximum()));
    };
    Engine.Hooks.ReadStored = [this](int bank, int address, std::int32_t value) {
        if (!writeCheck_.Active())
            return;
        keptWords_.Read(bank, address, value, writeCheck_);
        if (CommandIndex >= readBackFrom_)
            writeCheck_.Read(bank, address, value);
    };

    // A table write runs to the end of its read-back: nothing else may take
    // the line, change the points under it or close the window meanwhile.
    hold_ = new TInputHold(this);
    hold_->AlsoHold({Key_Read, Key_DataEdit, write_Corr, Key__Exit, AllRead, SpeedButton1, SpeedButton2, box_Nabl,
                     box_Sound, key_Corr, key_DelPl, key_DelMi, Button1, im_1, im_2, im_3, im_down, im_Up, GridBaza,
                     key_Protocol, key_Gas, key_History});

    FormCreate();

    connect(Key__Exit, &QToolButton::clicked, this, Guarded(this, &TDebNewF::Key__ExitClick));
    connect(Key_Read, &QPushButton::clicked, this, Guarded(this, &TDebNewF::Key_ReadClick));
    connect(box_Nabl, &QCheckBox::clicked, this, Guarded(this, &TDebNewF::box_NablClick));
    connect(box_Sound, &QCheckBox::clicked, this, Guarded(this, &TDebNewF::SoundChosenByClick));
    connect(Key_DataEdit, &QToolButton::clicked, this, Guarded(this, &TDebNewF::Key_DataEditClick));
    connect(key_DelPl, &QPushButton::clicked, this, Guarded(this, &TDebNewF::key_DelPlClick));
    connect(key_DelMi, &QPushButton::clicked, this, Guarded(this, &TDebNewF::key_DelMiClick));
    connect(key_Corr, &QPushButton::clicked, this, Guarded(this, &TDebNewF::key_CorrClick));
    connect(write_Corr, &QPushButton::clicked, this, Guarded(this, &TDebNewF::write_CorrClick));
    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TDebNewF::Button1Click));
    connect(im_1, &QToolButton::clicked, this, Guarded(this, &TDebNewF::im_1Click));
    connect(im_2, &QToolButton::clicked, this, Guarded(this, &TDebNewF::im_2Click));
    connect(im_3, &QToolButton::clicked, this, Guarded(this, &TDebNewF::im_3Click));
    connect(im_down, &QToolButton::clicked, this, Guarded(this, &TDebNewF::im_downClick));
    connect(im_Up, &QToolButton::clicked, this, Guarded(this, &TDebNewF::im_UpClick));
    connect(GridBaza, &QTableWidget::cellClicked, this, Guarded(this, &TDebNewF::GridBazaClick));
    connect(edit_real_Kav, &QLineEdit::textChanged, this, Guarded(this, &TDebNewF::edit_real_KavChange));
    connect(minus__1, &QPushButton::clicked, this, Guarded(this, &TDebNewF::minus__1Click));
    connect(plus__1, &QPushButton::clicked, this, Guarded(this, &TDebNewF::plus__1Click));
    connect(minus__10, &QPushButton::clicked, this, Guarded(this, &TDebNewF::minus__10Click));
    connect(plus__10, &QPushButton::clicked, this, Guarded(this, &TDebNewF::plus__10Click));
    connect(AllRead, &QToolButton::clicked, this, Guarded(this, &TDebNewF::AllReadClick));
    connect(SpeedButton1, &QToolButton::clicked, this, Guarded(this, &TDebNewF::SpeedButton1Click));
    connect(SpeedButton2, &QToolButton::clicked, this, Guarded(this, &TDebNewF::SpeedButton2Click));
    connect(key_Protocol, &QPushButton::clicked, this, Guarded(this, &TDebNewF::key_ProtocolClick));
    connect(key_Gas, &QPushButton::clicked, this, Guarded(this, &TDebNewF::key_GasClick));
    connect(key_History, &QPushButton::clicked, this, Guarded(this, &TDebNewF::key_HistoryClick));
}

TDebNewF::~TDebNewF()
{
    TimerIO->stop();
    Port->ClosePort();
}

// --- activation and closing ---------------------------------------------

void TDebNewF::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Coming back from a message box or the input error window must not
    // read the instrument over the grid the operator is correcting.
    if (event->type() == QEvent::ActivationChange && activation_.Activated(this))
        RunGuarded([this] { FormActivate(); }); // a port that cannot be opened is told
}

void TDebNewF::done(int result)
{
    // A write list and its read-back are never cut by closing.
    if (hold_->Holding())
        return;
    FormClose();
    if (ownSession_)
        EndSession();
    ownSession_ = false;
    inSession_ = false;
    QDialog::done(result);
}

void TDebNewF::SessionStarts()
{
    if (!SessionOpen()) {
        const TServiceLimits limits = ReadServiceLimits();
        BeginSession(NoEngineer, limits.Tolerance, limits.IntervalMonths);
        ownSession_ = true;
    }
    inSession_ = true;
    seenRecord_.reset();
    asFoundTaken_ = false;
    written_.reset();
    awaitedControl_.reset();
    if (CurrentSession().Gas)
        edit_real_Kav->setText(Width(CurrentSession().Gas->Alcohol, 4));
}

void TDebNewF::FormCreate()
{
    move(30, 30);
    const TGasValues real{135, 30, 800};
    edit_real_C->setText(Width(real.Concentration, 4));
    edit_real_Kav->setText(Width(real.Alcohol, 4));
    edit_real_mV->setText(Width(real.Voltage, 4));
    ClearGraph();
}

void TDebNewF::FormActivate()
{
    if (!inSession_)
        SessionStarts();
    Key__Exit->setChecked(false);
    panel_RGD->setFixedHeight(kOverlayHeight);
    panel_RGD->hide();
    lab_Link->clear();
    OpenPortIfFree(); // a failure leaves here, and is told
    ClearGraph();
    Engine.IdleTicks = 0;
    TimerIO->stop();
    if (WriteAfterTransfer) {
        ShowGridS();
        ShowGridBaza(SensorPoints);
        StartTableWrite();
    } else {
        StartFullRead();
    }
}

void TDebNewF::FormClose()
{
    // Nothing of this window's exchange outlives it: its ticks would resend
    // into a closed port and set the shared exchange state under the next
    // window's feet.
    TimerIO->stop();
    ExchangeState = ExchangeIdle;
    progresIO->hide();
    activation_.Reset();
    if (writeCheck_.Active())
        EndWriteCheck(writeCheck_.Abort(WriteCut::Closed));
    ReleaseLine();
}

void TDebNewF::Key__ExitClick()
{
    ReleaseLine();
    close();
}

void TDebNewF::OpenPortIfFree()
{
    if (PortOpenFlag)
        return;
    Port->SetCommName(PortName);
    Port->OpenPort();
    PortOpenFlag = true;
}

void TDebNewF::ReleaseLine()
{
    if (PortOpenFlag) {
        Port->ClosePort();
        PortOpenFlag = false;
    }
}

// --- exchange ------------------------------------------------------------

void TDebNewF::StartFullRead()
{
    lab_Link->clear();
    progresIO->setValue(0);
    progresIO->show();
    Engine.IdleTicks = 0;
    Engine.StartList(FullReadList(), kBatchEnd, 0);
}

void TDebNewF::StartTableWrite(int voltageDelta)
{
    // The instrument never gets a table derived from points it cannot use,
    // whatever stored them (the presets and rescaling take the grid as it is).
    if (!PointsAcceptable(SensorPoints)) {
        ShowInputError(SensorPoints);
        return;
    }
    OpenPortIfFree(); // the line may have been given up since
    // The words written are read back in the same list: the write reply only
    // echoes the frame, the read tells what the instrument keeps.
    // Words 11 and 13 are read first and go back as the instrument holds
    // them (word 11 as the engineer chose with the sound box).
    std::optional<std::int32_t> word11;
    if (soundChosen_)
        word11 = box_Sound->isChecked() ? 1 : 0;
    std::vector<TCommandItem> list = keptWords_.WriteList(word11);
    writeCheck_.Begin(list);
    writeDetails_ = CharacteristicDetails(Typed(edit_real_Kav->text()), test_.Alcohol, test_.Voltage, voltageDelta,
                                          heldPoints_, SensorPoints);
    const std::vector<TCommandItem> readBack = writeCheck_.ReadBackItems();
    readBackFrom_ = static_cast<int>(list.size());
    list.insert(list.end(), readBack.begin(), readBack.end());
    hold_->Hold(true);
    lab_Link->clear();
    progresIO->setValue(0);
    progresIO->show();
    Engine.IdleTicks = 0;
    Engine.StartList(list, kBatchEnd, 0);
}

void TDebNewF::StartObservation()
{
    // Each pass begins on a tick: one pass per timer period.
    Engine.IdleTicks = 0;
    Engine.ArmList(ObservationList(), kBatchEnd);
}

void TDebNewF::PortReceiveData(QObject*, void* Buffer, std::uint16_t BufferLength)
{
    // The end of a list saves the settings.
    RunGuarded([&] { Engine.Receive(Buffer, BufferLength); });
}

void TDebNewF::TimerIOTimer()
{
    ++Engine.IdleTicks;
    // Observation stops at the first tick after the box is unticked.
    if (Engine.IdleTicks <= Engine.Policy.GiveUpAfterTicks && Engine.FrameBank() == Bank1 && !box_Nabl->isChecked()) {
        TimerIO->stop();
        return;
    }
    if (Engine.TickCounted() == TTickResult::GaveUp)
        GaveUp();
}

void TDebNewF::GaveUp()
{
    // The port is closed and the line free again: "ЧИТАТЬ" opens it anew
    // once the instrument is back.
    progresIO->hide();
    ReleaseLine();
    TellLink(QStringLiteral("Прибор не отвечает. Проверьте связь и нажмите «ЧИТАТЬ»."), true);
    if (writeCheck_.Active())
        EndWriteCheck(writeCheck_.Abort(WriteCut::NoReply));
}

void TDebNewF::EndWriteCheck(const TWriteVerdict& verdict)
{
    hold_->Hold(false);
    // Journaled first: a journal that cannot be written is told beside the
    // verdict, and holds nothing back.
    std::vector<std::string> details = writeDetails_;
    details.push_back(HeldAfterWrite(verdict));
    for (std::string& d : keptWords_.Details(verdict))
        details.push_back(std::move(d));
    RecordServiceEntry(this, ServiceEntryNow(JournalCharacteristic, verdict.Confirmed, details));
    // Its control test is this instrument's, whatever is read later.
    written_ = std::pair{static_cast<int>(Bank2Image[Reg2::InstrumentNumber]),
                         static_cast<int>(Bank2Image[Reg2::SensorNumber])};
    const int newest = Reg2::ResultBase[0];
    awaitedControl_ = std::array<std::int32_t, 3>{Bank2Image[newest + Reg2::ResultUMin],
                                                  Bank2Image[newest + Reg2::ResultAir],
                                                  Bank2Image[newest + Reg2::ResultHundredths]};
    if (verdict.Confirmed)
        TellLink(Q(ConfirmedText(verdict, kWhatIsWritten)), false);
    else
        ShowUnconfirmedWrite(this, Q(UnconfirmedText(verdict, kWhatIsWritten)));
}

// The status line beside the read button: red when the line is lost, in
// the window's own colour for a quiet confirmation.
void TDebNewF::TellLink(const QString& text, bool alarm)
{
    QPalette colours = lab_Link->palette();
    colours.setColor(QPalette::WindowText, alarm ? QColor(Qt::red) : palette().color(QPalette::WindowText));
    lab_Link->setPalette(colours);
    lab_Link->setText(text);
}

// The first full read after a table write that finds a new test record: the
// test the engineer made to see the write's effect.
void TDebNewF::RecordControlTest()
{
    const int newest = Reg2::ResultBase[0];
    const std::array<std::int32_t, 3> record{Bank2Image[newest + Reg2::ResultUMin],
                                             Bank2Image[newest + Reg2::ResultAir],
                                             Bank2Image[newest + Reg2::ResultHundredths]};
    if (!awaitedControl_ || record == *awaitedControl_)
        return;
    awaitedControl_.reset();
    const std::pair<int, int> instrument = written_.value_or(
        std::pair{static_cast<int>(Bank2Image[Reg2::InstrumentNumber]), static_cast<int>(Bank2Image[Reg2::SensorNumber])});
    RecordServiceEntry(this, NoteEntryNow(JournalControlTest, instrument.first, instrument.second,
                                          ControlTestDetails(SessionGas(), record[2], record[0])));
}

int TDebNewF::SessionGas() const
{
    return CurrentSession().Gas ? CurrentSession().Gas->Alcohol : Typed(edit_real_Kav->text());
}

// A full read: the newest test as the session first finds it is older than
// the session; one that differs from the last seen is a new test, and the
// first new one before any characteristic write is the session's as found.
void TDebNewF::RecordNewTest()
{
    const int newest = Reg2::ResultBase[0];
    const std::array<std::int32_t, 3> record{Bank2Image[newest + Reg2::ResultUMin],
                                             Bank2Image[newest + Reg2::ResultAir],
                                             Bank2Image[newest + Reg2::ResultHundredths]};
    const bool first = !seenRecord_;
    const bool fresh = seenRecord_ && record != *seenRecord_;
    seenRecord_ = record;
    if (first && CurrentSession().Gas && !asFoundTaken_)
        TellLink(QStringLiteral("Последний тест прибора сделан до начала сеанса: сделайте тест газом сеанса "
                                "и нажмите «ЧИТАТЬ» (как найдено)."),
                 false);
    if (!fresh || asFoundTaken_ || written_)
        return;
    asFoundTaken_ = true;
    RecordServiceEntry(this, NoteEntryNow(JournalAsFound, Bank2Image[Reg2::InstrumentNumber],
                                          Bank2Image[Reg2::SensorNumber],
                                          AsFoundDetails(SessionGas(), record[2], record[0])));
    TellLink(QStringLiteral("Как найдено: %1 промилле при газе %2.")
                 .arg(Q(FormatFixed(record[2], 2, 0)), Q(FormatFixed(SessionGas(), 2, 0))),
             false);
}

// Once a gas is stated, a characteristic write waits for the session's as
// found: told, and nothing is written.
bool TDebNewF::AsFoundMissing()
{
    if (!CurrentSession().Gas && SignInRequired()) {
        // A signed-in engineer adjusts against a stated gas only.
        auto* box = new QMessageBox(QMessageBox::Information, AppTitle(),
                                    QStringLiteral("Газ сеанса не указан: нажмите «Газ сеанса» и укажите значение, "
                                                   "партию и срок годности газа. В прибор ничего не записано."),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("GasMissing"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return true;
    }
    if (!CurrentSession().Gas || asFoundTaken_ || written_)
        return false;
    auto* box = new QMessageBox(QMessageBox::Information, AppTitle(),
                                QStringLiteral("Нет теста «как найдено»: после начала сеанса прибор не делал теста. "
                                               "Сделайте тест газом %1 промилле и нажмите «ЧИТАТЬ». "
                                               "В прибор ничего не записано.")
                                    .arg(Q(FormatFixed(CurrentSession().Gas->Alcohol, 2, 0))),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("AsFoundMissing"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return true;
}

void TDebNewF::ModeStep()
{
    ShowReadouts(ModeDisplayFor(InstrumentMode, LiveValues), edit_Kav_CD, edit_Kav0_1D, L_Kav_01D);
    panel_RGD->hide();
    lab__mV->setText(Q(VoltageText(V0)));
    History.Append(V0);
    graph_ = DrawGraph(History);
    ShowGraphPicture(ImD, graph_);
}

void TDebNewF::ListEnd()
{
    progresIO->hide();
    if (CommandList[0][1] == Bank1) {
        if (box_Nabl->isChecked())
            StartObservation();
        return;
    }
    // A table write ends with its read-back: told before anything else, so
    // that no step below can leave the controls waiting.
    const bool wasWrite = writeCheck_.Active();
    if (wasWrite) {
        EndWriteCheck(writeCheck_.Finish());
    } else {
        RecordControlTest();
        RecordNewTest();
    }
    // A full read or a table write: the window refreshes from what the
    // instrument holds.
    ShowResultsMemo();
    const int newest = Reg2::ResultBase[0];
    test_ = TGasValues{Bank2Image[newest + Reg2::ResultAir], Bank2Image[newest + Reg2::ResultHundredths],
                       Bank2Image[newest + Reg2::ResultUMin]};
    TimerIO->stop();
    ExchangeState = ExchangeIdle;
    PointsFromSensorTable();
    heldPoints_ = SensorPoints;   // what the instrument holds: the list read words 0..24
    TakeSensorNumber(Data_Sen[SensorNumberWord]);
    if (SetMainStatus)
        SetMainStatus(2, SensorStatusText(SensorNumber));
    SaveSettings();
    // The box shows what the instrument holds now; no choice is pending.
    soundChosen_ = false;
    const bool soundOff = Data_Sen[Reg2::Coefficient] == 1;
    if (box_Sound->isChecked() != soundOff) {
        box_Sound->setChecked(soundOff);
        box_SoundClick();
    }
    ShowGridS();
    ShowGridBaza(SensorPoints);
    ShowRealAndDeltas();
    if (box_Nabl->isChecked())
        StartObservation();
}

void TDebNewF::ClearGraph()
{
    History.Clear();
    graph_ = EmptyGraph();
    ShowGraphPicture(ImD, graph_);
}

// --- what the window shows -----------------------------------------------

void TDebNewF::ShowResultsMemo()
{
    QStringList lines;
    for (const std::string& line : ResultsTableLines(Bank2Image))
        lines << Q(line);
    memo_resD->setPlainText(lines.join(QLatin1Char('\n')));
}

void TDebNewF::ShowGridS()
{
    for (int r = 0; r < 15; ++r)
        Grid_S->item(r, 1)->setText(Width(Data_Sen[kParameterRows[r].word], 6));
}

void TDebNewF::ShowGridBaza(const SensorPointTable& points)
{
    for (int r = 0; r < SensorPointCount; ++r)
        GridBaza->item(r, 1)->setText(Width(points[r], 6));
    ShowEndPoints();
}

void TDebNewF::ShowEndPoints()
{
    const QString p6 = GridBaza->item(6, 1)->text();
    const QString p0 = GridBaza->item(0, 1)->text();
    l_20->setText(p6);
    new_20->setText(p6);
    l_00->setText(p0);
    new_00->setText(p0);
}

void TDebNewF::ShowRealAndDeltas()
{
    const TGasValues real = RealValuesFor(Typed(edit_real_Kav->text()));
    edit_real_mV->setText(Width(real.Voltage, 4));
    edit_real_C->setText(Width(real.Concentration, 4));
    ShowEndPoints();
    edit_test_C->setText(Width(test_.Concentration, 4));
    edit_test_Kav->setText(Width(test_.Alcohol, 4));
    edit_test_mV->setText(Width(test_.Voltage, 4));
    const TDeltas d = DeltasBetween(real, test_);
    edit_del_C->setText(Width(d.Concentration, 5));
    edit_del_Kav->setText(Width(d.Alcohol, 5));
    edit_del_mV->setText(Width(d.Voltage, 5));
}

SensorPointTable TDebNewF::GridPoints() const
{
    SensorPointTable points{};
    for (int r = 0; r < SensorPointCount; ++r)
        points[r] = Typed(GridBaza->item(r, 1)->text());
    return points;
}

bool TDebNewF::ValidateGrid()
{
    const SensorPointTable points = GridPoints();
    if (TakeValidatedPoints(points))
        return true;
    ShowInputError(points);
    return false;
}

// --- handlers --------------------------------------------------------------

void TDebNewF::Key_ReadClick()
{
    OpenPortIfFree();
    Engine.IdleTicks = 0;
    TimerIO->stop();
    StartFullRead();
}

void TDebNewF::box_NablClick()
{
    if (!box_Nabl->isChecked())
        return;
    OpenPortIfFree(); // the line may have been given up since
    StartObservation();
}

void TDebNewF::SoundChosenByClick()
{
    // The engineer's choice: the next write sends it as word 11.
    soundChosen_ = true;
    box_SoundClick();
}

void TDebNewF::box_SoundClick()
{
    Data_Sen[Reg2::Coefficient] = box_Sound->isChecked() ? 1 : 0;
    ShowGridS();
}

void TDebNewF::Key_DataEditClick()
{
    if (AsFoundMissing())
        return;
    if (!ValidateGrid())
        return;
    DeriveSensorTable(SensorPoints, Data_Sen);
    MakeSureOfGroup();
    PackRecordWithItsNote();
    SaveSensorGroup(SensorNumber);
    ShowGridS();
    StartTableWrite();
}

void TDebNewF::CommitAndShow()
{
    CommitPoints();
    ShowGridS();
    ShowEndPoints();
}

bool TDebNewF::ShiftAndCommit(int step)
{
    // A wrong grid is told, and the step then moves the points held before.
    ValidateGrid();
    ShowGridBaza(ShiftedPoints(SensorPoints, step));
    if (!ValidateGrid())
        return false;
    CommitAndShow();
    return true;
}

void TDebNewF::key_DelPlClick()
{
    ShiftAndCommit(Typed(txt_PlMinus->text()));
}

void TDebNewF::key_DelMiClick()
{
    ShiftAndCommit(-Typed(txt_PlMinus->text()));
}

void TDebNewF::key_CorrClick()
{
    if (ShiftAndCommit(Typed(edit_del_mV->text())))
        edit_del_mV->setText(QStringLiteral("0000"));
}

void TDebNewF::write_CorrClick()
{
    if (AsFoundMissing())
        return;
    ShowGridBaza(PointsCutToTens(GridPoints()));
    const int delta = Typed(edit_del_mV->text());
    if (!ShiftAndCommit(delta))
        return;
    edit_del_mV->setText(QStringLiteral("0000"));
    StartTableWrite(delta);
}

void TDebNewF::Button1Click()
{
    SensorPoints = PointsCutToTens(GridPoints());
    CommitAndShow();
    ShowGridBaza(SensorPoints);
}

void TDebNewF::im_1Click()
{
    SensorPoints = PresetPoints(GridPoints(), 1);
    CommitAndShow();
    ShowGridBaza(SensorPoints);
}

void TDebNewF::im_2Click()
{
    SensorPoints = PresetPoints(GridPoints(), 2);
    CommitAndShow();
    ShowGridBaza(SensorPoints);
}

void TDebNewF::im_3Click()
{
    SensorPoints = PresetPoints(GridPoints(), 3);
    CommitAndShow();
    ShowGridBaza(SensorPoints);
}

namespace {

const QString kRescaleOutOfRange =
    QStringLiteral("Пересчет дает напряжения вне диапазона 0..6000 мВ. Проверьте введенное значение и точки. "
                   "Точки не изменены.");

} // namespace

void TDebNewF::im_downClick()
{
    const TRescaled points = RescaledDown(GridPoints(), Typed(new_20->text()));
    if (!points) {
        QMessageBox::information(this, AppTitle(),
                                 points.Refusal == TRescaleRefusal::FlatSlope
                                     ? QStringLiteral("Точки 0.5 и 2.0 промилле равны: наклон верхней части не "
                                                      "задан, пересчитывать нечего. Точки не изменены.")
                                     : kRescaleOutOfRange);
        return;
    }
    SensorPoints = *points;
    CommitAndShow();
    ShowGridBaza(SensorPoints);
}

void TDebNewF::im_UpClick()
{
    const TRescaled points = RescaledUp(GridPoints(), Typed(new_00->text()));
    if (!points) {
        QMessageBox::information(this, AppTitle(),
                                 points.Refusal == TRescaleRefusal::FlatSlope
                                     ? QStringLiteral("Точки чистого воздуха и 0.5 промилле равны: наклон нижней "
                                                      "части не задан, пересчитывать нечего. Точки не изменены.")
                                     : kRescaleOutOfRange);
        return;
    }
    SensorPoints = *points;
    CommitAndShow();
    ShowGridBaza(SensorPoints);
}

void TDebNewF::GridBazaClick()
{
    ShowEndPoints();
}

void TDebNewF::edit_real_KavChange()
{
    ShowRealAndDeltas();
}

void TDebNewF::StepRealAlcohol(int step)
{
    const int alcohol = SteppedAlcohol(Typed(edit_real_Kav->text()), step);
    edit_real_Kav->setText(Width(alcohol, 4));
    ShowRealAndDeltas();
}

void TDebNewF::minus__1Click()
{
    StepRealAlcohol(-1);
}

void TDebNewF::plus__1Click()
{
    StepRealAlcohol(1);
}

void TDebNewF::minus__10Click()
{
    StepRealAlcohol(-10);
}

void TDebNewF::plus__10Click()
{
    StepRealAlcohol(10);
}

void TDebNewF::OpenService(QWidget* window)
{
    if (!window) {
        QMessageBox::information(this, AppTitle(),
                                 QStringLiteral("База данных по сенсорам появится в следующей версии программы."));
        return;
    }
    // The line is handed over: this window's exchange stops and its port
    // closes before the service window opens its own.
    Engine.Stop();
    PortOpenFlag = false;
    progresIO->hide();
    // Shown above this modal window, and taking input until it closes; this
    // window then becomes active again and reads the instrument afresh.
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
}

void TDebNewF::AllReadClick()
{
    OpenService(MeasuringCheck);
}

void TDebNewF::SpeedButton1Click()
{
    OpenService(BlowCheck);
}

void TDebNewF::SpeedButton2Click()
{
    OpenService(SensorBase);
}

void TDebNewF::key_ProtocolClick()
{
    if (!PrintF)
        return;
    // The instrument of the session: the one written, else the one on the
    // line as the last read found it.
    const int instrument = written_ ? written_->first : Bank2Image[Reg2::InstrumentNumber];
    const std::string session = CurrentSession().Id;
    std::vector<TServiceEntry> journal = ReadServiceJournal();
    // Nothing of this instrument since its last certificate of the session:
    // that one is printed again.
    std::optional<std::size_t> issued;
    for (std::size_t i = 0; i < journal.size(); ++i) {
        const TServiceEntry& e = journal[i];
        if (e.Damaged || e.Session != session)
            continue;
        if (e.What == JournalCertificate && e.Instrument == instrument)
            issued = i;
        else if (e.Instrument == instrument || e.What == JournalGas)
            issued.reset();
    }
    if (!issued) {
        const TSessionFindings found = FindSession(journal, session, instrument);
        const int year = ParseDay(JournalNow().Date).value_or(TDay{}).Year;
        const std::string number = NextCertificateNumber(journal, year);
        // No certificate without its line in the journal: its number must
        // stay taken, and it must print again the same.
        if (!RecordServiceEntry(this, CertificateEntryNow(found, number)))
            return;
        journal = ReadServiceJournal();
        for (std::size_t i = journal.size(); i-- > 0;)
            if (CertificateNumber(journal[i]) == number) {
                issued = i;
                break;
            }
        if (!issued)
            return;
    }
    ShowCertificate(journal, *issued);
}

void TDebNewF::key_GasClick()
{
    TGasF gas(this);
    if (gas.exec() == QDialog::Accepted && CurrentSession().Gas) {
        edit_real_Kav->setText(Width(CurrentSession().Gas->Alcohol, 4));
        ShowRealAndDeltas();
    }
}

void TDebNewF::key_HistoryClick()
{
    THistoryF history(written_ ? written_->first : Bank2Image[Reg2::InstrumentNumber], this);
    history.exec();
}
