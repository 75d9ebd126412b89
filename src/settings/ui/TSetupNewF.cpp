#include "TSetupNewF.h"

#include "PortNames.h"
#include "Settings.h"
#include "UiKit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QFrame>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

TSetupNewF* SetupNewF = nullptr;

namespace {

constexpr int kEntries = 13;
constexpr int kColumns = 7;

} // namespace

TSetupNewF::TSetupNewF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SetupNewF"));
    setWindowTitle(QStringLiteral("SetupNewF"));
    setModal(true);

    PageControl1 = new QFrame(this);
    NameControl(PageControl1, "PageControl1", QStringLiteral("Рамка"));
    PageControl1->setFrameShape(QFrame::StyledPanel);
    PageControl1->setFrameShadow(QFrame::Raised);

    RadioPort = new QGroupBox(QStringLiteral(" COM порт  "), PageControl1);
    NameControl(RadioPort, "RadioPort", RadioPort->title());
    entries_ = new QButtonGroup(this);
    auto* grid = new QGridLayout(RadioPort);
    // Items fill the columns top to bottom, then left to right.
    const int perColumn = (kEntries + kColumns - 1) / kColumns;
    for (int i = 0; i < kEntries; ++i) {
        QString text;
        if (i < 11)
            text = QStringLiteral("COM%1").arg(i + 1);
        else if (i == 11)
            text = QStringLiteral("Автономно");
        auto* item = new QRadioButton(text, RadioPort);
        const QByteArray name = QByteArrayLiteral("RadioPort_") + QByteArray::number(i);
        NameControl(item, name.constData(), text.isEmpty() ? QStringLiteral("Пустой вариант") : text);
        entries_->addButton(item, i);
        grid->addWidget(item, i % perColumn, i / perColumn);
        connect(item, &QRadioButton::clicked, this, Guarded(this, &TSetupNewF::RadioPortClick));
    }
    entries_->button(0)->setChecked(true);
    connect(entries_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            ShowPortDevice();
    });

    lab_PortDevice = new QLabel(PageControl1);
    NameValueLabel(lab_PortDevice, "lab_PortDevice", QStringLiteral("Устройство выбранного порта"));
    lab_PortDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lab_PortDevice->setMinimumWidth(220);
    lab_PortDevice->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    devicePoll_ = new QTimer(this);
    devicePoll_->setInterval(1000);
    connect(devicePoll_, &QTimer::timeout, this, &TSetupNewF::ShowPortDevice);

    Key__Exit = MakePictureButton(this, "Key__Exit", QStringLiteral("Выход  из  программы"), "exit", 32);
    connect(Key__Exit, &QToolButton::clicked, this, Guarded(this, &TSetupNewF::Key__ExitClick));

    auto* frame = new QHBoxLayout(PageControl1);
    frame->setContentsMargins(12, 12, 12, 12);
    frame->addWidget(RadioPort);
    frame->addWidget(lab_PortDevice);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Key__Exit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(bottom);

    connect(qApp, &QApplication::focusChanged, this, &TSetupNewF::FocusChanged);
    ShowPortDevice();
}

void TSetupNewF::ShowPortDevice()
{
    const int entry = SelectedEntry();
    QString text;
    if (entry == AutonomousPortIndex - 1)
        text = QStringLiteral("Работа без прибора");
    else if (entry >= 0 && entry < AutonomousPortIndex - 1) {
        const TPortDevice device = DescribePortDevice(PortNameFor(entry + 1));
        text = QStringLiteral("Устройство:\n") + Q(device.path);
        if (!device.target.empty())
            text += QStringLiteral("\n→ ") + Q(device.target);
        text += device.present ? QStringLiteral("\nподключено") : QStringLiteral("\nне найдено");
    }
    if (lab_PortDevice->text() != text)
        lab_PortDevice->setText(text);
}

void TSetupNewF::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ShowPortDevice();
    devicePoll_->start();
}

void TSetupNewF::hideEvent(QHideEvent* event)
{
    devicePoll_->stop();
    QDialog::hideEvent(event);
}

void TSetupNewF::SelectEntry(int entry)
{
    if (entry >= 0 && entry < kEntries) {
        entries_->button(entry)->setChecked(true);
        return;
    }
    // A button group keeps one entry checked; lift that rule to clear it.
    entries_->setExclusive(false);
    for (QAbstractButton* b : entries_->buttons())
        b->setChecked(false);
    entries_->setExclusive(true);
}

int TSetupNewF::SelectedEntry() const
{
    return entries_->checkedId();
}

bool TSetupNewF::InsideRadioPort(QWidget* w) const
{
    return w && (w == RadioPort || RadioPort->isAncestorOf(w));
}

void TSetupNewF::FocusChanged(QWidget* old, QWidget* now)
{
    // The group is entered or left when the focus moves between this
    // window's own controls. Focus going to a message box (a failed save's
    // warning) and coming back is neither: it would save, fail and warn
    // again, endlessly.
    if (!old || !now || !isAncestorOf(old) || !isAncestorOf(now))
        return;
    const bool wasInside = InsideRadioPort(old);
    const bool isInside = InsideRadioPort(now);
    if (wasInside != isInside)
        RunGuarded([this] { RadioPortClick(); }); // the group's enter or exit
}

void TSetupNewF::RadioPortClick()
{
    const int entry = SelectedEntry();
    PortIndex = entry + 1;
    if (entry >= 0 && entry <= 11)
        PortName = PortNameFor(entry + 1);
    SaveSettings();
    if (SetMainStatus) {
        SetMainStatus(0, "Каврел 12кв");
        SetMainStatus(1, "Порт: " + PortName);
    }
}

void TSetupNewF::Key__ExitClick()
{
    RadioPortClick();
    Key__Exit->setChecked(false);
    PortOpenFlag = false;
    close();
}
