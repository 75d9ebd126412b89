#include "TKavNewF.h"

#include "CommandLists.h"
#include "DateFields.h"
#include "ReadingsView.h"
#include "InstrumentPort.h"
#include "PersonList.h"
#include "Readings.h"
#include "Registers.h"
#include "Settings.h"
#include "TCommEr.h"
#include "TestFiles.h"
#include "TestRegister.h"
#include "UiKit.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

TKavNewF* KavNewF = nullptr;

namespace {

constexpr std::int32_t kBatchEnd = 7;

} // namespace

TKavNewF::TKavNewF(QWidget* parent) : QDialog(parent), Engine(OnlineTestPolicy)
{
    setObjectName(QStringLiteral("KavNewF"));
    setWindowTitle(QStringLiteral("Каврел. Работа с  подключенным  прибором (online)"));
    setToolTip(QStringLiteral("Прибор  для  контроля  алкоголя  в  выдыхаемом  воздухе "));
    setAccessibleName(windowTitle());
    setModal(true);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(BuildLeftPanel());
    layout->addWidget(BuildRightPanel(), 1);

    Port = new TCommEr(this);
    Port->setObjectName(QStringLiteral("Port"));
    Port->SetCommName("COM3");
    SetInstrumentLine(*Port, 1);
    Port->OnReceiveData = [this](QObject* sender, void* buffer, std::uint16_t length) {
        PortReceiveData(sender, buffer, length);
    };

    TimerIO = new QTimer(this);
    TimerIO->setObjectName(QStringLiteral("TimerIO"));
    TimerIO->setInterval(OnlineTestPolicy.TimerPeriodMs);
    connect(TimerIO, &QTimer::timeout, this, &TKavNewF::TimerIOTimer);

    JoinEngine(Engine, *Port, *TimerIO);
    Engine.Hooks.ModeStep = [this] { ModeStep(); };
    Engine.Hooks.ListEnd = [this] { ListEnd(); };
    Engine.Hooks.BadItem = [this] { close(); };
    Engine.Hooks.ReadStored = [this](int bank, int address, std::int32_t value) {
        if (bank != Bank2 || CommandList[0][1] != Bank2)
            return; // only the start-up list reads bank 2
        if (address == Reg2::InstrumentNumber)
            instrumentRead_ = value;
        else if (address == Reg2::SensorNumber)
            sensorRead_ = value;
    };

    connect(Key_T, &QPushButton::clicked, this, &TKavNewF::Key_TClick);
    connect(box_Avtonom, &QCheckBox::clicked, this, Guarded(this, &TKavNewF::box_AvtonomClick));
    connect(Key__Exit, &QToolButton::clicked, this, &TKavNewF::Key__ExitClick);
    connect(key_Add, &QPushButton::clicked, this, &TKavNewF::key_AddClick);
    connect(tab_FIO, &QTableWidget::cellClicked, this, &TKavNewF::tab_FIOClick);
    connect(tab_FIO, &QTableWidget::cellDoubleClicked, this, &TKavNewF::tab_FIODblClick);
    connect(tab_FIO, &QTableWidget::currentCellChanged, this, &TKavNewF::tab_FIOSelectCell);

    ClearGraph();
}

TKavNewF::~TKavNewF()
{
    TimerIO->stop();
    Port->ClosePort();
}

void TKavNewF::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (!isActiveWindow()) {
        // A message box of the program takes the activation for a moment;
        // losing it to another application (no active window) does not count.
        QWidget* now = QApplication::activeWindow();
        backFromOwnWindow_ = isVisible() && now != nullptr && now != this;
        return;
    }
    if (backFromOwnWindow_) {
        backFromOwnWindow_ = false;
        return;
    }
    FormActivate();
}

void TKavNewF::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TKavNewF::FormActivate()
{
    Key__Exit->setChecked(false);
    panel_RG->setVisible(true);
    PlaceOverlay();

    if (PortIndex == AutonomousPortIndex) {
        box_Avtonom->setChecked(true);
        Panel1->hide();
    } else {
        Panel1->show();
        box_Avtonom->setChecked(false);
    }

    ReadDate();
    lab_Date->setText(Q(TodayText));
    instrumentRead_.reset();
    sensorRead_.reset();

    std::string personError;
    const bool personsRead = LoadPersonList(&personError);
    NumberPersonList();
    ShowPersonList(tab_FIO);
    if (!personsRead)
        TellFailure(Q(personError));

    ShowMonthFile();

    if (box_Avtonom->isChecked())
        return;

    if (!PortOpenFlag) {
        Port->SetCommName(PortName);
        Port->OpenPort(); // a failure leaves here: no flag, no timer, no list
        PortOpenFlag = true;
    }

    ClearGraph();

    Engine.IdleTicks = 0;
    TimerIO->start(Engine.Policy.TimerPeriodMs);

    StartReadList();
}

void TKavNewF::FormClose()
{
    TimerIO->stop();
    ExchangeState = ExchangeIdle; // the shared state is free for the next window
    if (PortOpenFlag) {
        Port->ClosePort();
        PortOpenFlag = false;
    }
    backFromOwnWindow_ = false;
}

void TKavNewF::ShowMonthFile()
{
    std::vector<std::string> lines;
    OpenMonthFile(lines);
    // The memo gets the whole month as one text: added line by line, a
    // month of 200 000 lines held the window up for seconds.
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 1;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        if (!text.empty())
            text += '\n';
        text += line;
    }
    memo_test->setPlainText(QString::fromStdString(text));
    // As after adding the lines: the newest at the bottom in view.
    memo_test->verticalScrollBar()->setValue(memo_test->verticalScrollBar()->maximum());
}

void TKavNewF::StartReadList()
{
    const auto items = ReadItems(Bank2, {27, 31, 64, 65, 66, 67, 72, 73, 74, 75, 80, 81, 82, 83});
    Engine.StartList(items, kBatchEnd);
}

void TKavNewF::StartPollList()
{
    const auto items = ReadItems(Bank1, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    Engine.StartList(items, kBatchEnd);
}

void TKavNewF::ListEnd()
{
    if (box_Avtonom->isChecked())
        return; // autonomous work: no further list
    if (CommandList[0][1] == Bank2)
        FillResults();
    StartPollList();
}

void TKavNewF::FillResults()
{
    QStringList lines;
    for (const std::string& line : ResultsTableLines(Bank2Image))
        lines << Q(line);
    memo_res->setPlainText(lines.join(QLatin1Char('\n')));
    TakeSensorNumber(Bank2Image[Reg2::SensorNumber]);
    if (SetMainStatus)
        SetMainStatus(2, SensorStatusText(SensorNumber));
}

void TKavNewF::PortReceiveData(QObject*, void* Buffer, std::uint16_t BufferLength)
{
    Engine.Receive(Buffer, BufferLength);
}

void TKavNewF::ModeStep()
{
    const int mode = InstrumentMode;
    Cycle.NoteMode(mode);
    ShowModeDisplay();
    History.Append(V0);
    lab_mV->setText(Q(VoltageText(V0)));
    ShowGraph();
    if (Cycle.TakeRecording(mode))
        RecordResult();
    bool start = false;
    if (Cycle.TakeSwitch(start))
        Engine.SendModeSwitch(start);
}

void TKavNewF::ShowModeDisplay()
{
    const ModeDisplay d = ModeDisplayFor(InstrumentMode, LiveValues);
    if (d.overlay == ModeDisplay::Overlay::Show)
        panel_RG->setVisible(true);
    else if (d.overlay == ModeDisplay::Overlay::Hide)
        panel_RG->setVisible(false);
    if (d.setOverlayText)
        edit_RG->setText(Q(d.overlayText));
    ShowReadouts(d, Edit_Kav_c, Edit_Kav0_1, L_Kav_01);
}

void TKavNewF::ShowGraph()
{
    graph_ = DrawGraph(History);
    ShowGraphPicture(Im, graph_);
}

void TKavNewF::ClearGraph()
{
    History.Clear();
    graph_ = EmptyGraph();
    ShowGraphPicture(Im, graph_);
}

void TKavNewF::RecordResult()
{
    // One reading of the clock: a test at midnight gets the date and the
    // time of the same moment.
    const ClockReading now = ReadDateTime();
    const std::string name = S(edit_FIO->text());
    const int v6 = V6;
    const std::string line = TestLine(name, v6);
    std::string error;
    // The line reaches the disk before it is shown; if it cannot, it stays
    // on screen and the operator is told.
    const bool written = AppendTestLine(line, &error);
    memo_test->appendPlainText(Q(line));
    if (!written)
        TellFailure(QStringLiteral("Результат теста не записан в файл %1:\n%2\n\n%3")
                        .arg(Q(MonthFileName), Q(error), Q(line)));
    if (!Register)
        return;
    // The register's record of the same test, from the same values.
    const std::string told = Register->Add(
        TestRecordOf(now, name, v6, instrumentRead_, sensorRead_, MonthFileName, line, written));
    if (!told.empty())
        TellFailure(Q(told + "\n\n" + line), "RegisterFailureBox");
}

void TKavNewF::TellFailure(const QString& text, const char* boxName)
{
    // Shown without a nested event loop: this runs inside the receive
    // handler, which must not be entered again while it works.
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QString::fromLatin1(boxName));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TKavNewF::Key_TClick()
{
    Cycle.PressTest();
}

void TKavNewF::TimerIOTimer()
{
    // In autonomous mode nothing is sent any more: a resent frame would
    // start the poll list again with its reply.
    if (box_Avtonom->isChecked()) {
        TimerIO->stop();
        return;
    }
    Engine.Tick();
}

void TKavNewF::box_AvtonomClick()
{
    // Autonomous work ends the exchange at once and hands the line back: no
    // frame is sent, and a reply still on its way records nothing (the
    // closed port delivers no more of it).
    box_Avtonom->setChecked(true);
    const bool lineHeld = Port->IsOpen();
    Engine.Stop();
    if (lineHeld)
        PortOpenFlag = false;
    if (PortIndex < AutonomousPortIndex) {
        PortIndex = AutonomousPortIndex;
        PortName = PortNameFor(AutonomousPortIndex);
        SaveSettings();
        if (SetMainStatus)
            SetMainStatus(1, "Порт: " + PortName);
        Panel1->hide();
    }
    box_Avtonom->setChecked(true);
}

void TKavNewF::Key__ExitClick()
{
    std::string error;
    // A list that could not be taken in whole (unreadable, or longer than
    // its 501 records) was reported on activation and is never written over.
    if (!PersonFileUnreadable && !SavePersonList(&error))
        QMessageBox::warning(this, AppTitle(),
                             QStringLiteral("Список тестируемых не сохранён в файл %1:\n%2")
                                 .arg(QString::fromLatin1(PersonFileName), Q(error)));
    close();
}

void TKavNewF::SelectRow()
{
    SelectPerson(PersonGridRow(tab_FIO));
    edit_FIO->setText(Q(SelectedName));
}

void TKavNewF::tab_FIOClick()
{
    SelectRow();
}

void TKavNewF::tab_FIODblClick()
{
    SelectRow();
}

void TKavNewF::tab_FIOSelectCell()
{
    SelectRow();
}

void TKavNewF::key_AddClick()
{
    bool saved = true;
    std::string error;
    if (!AddPerson(S(edit_FIO->text()), &saved, &error))
        return;
    ShowPersonList(tab_FIO);
    SetPersonGridRow(tab_FIO, SelectedPerson);
    if (!saved)
        TellFailure(QStringLiteral("Список тестируемых не сохранён в файл %1:\n%2")
                        .arg(QString::fromLatin1(PersonFileName), Q(error)));
}
