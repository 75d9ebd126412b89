#include "TKavrelF.h"

#include "Files.h"
#include "ServiceDoor.h"
#include "Settings.h"
#include "TDebNewF.h"
#include "TFBazaF.h"
#include "TKavNewF.h"
#include "TKavResultF.h"
#include "TServerF.h"
#include "TSetupNewF.h"
#include "UiKit.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

TKavrelF* KavrelF = nullptr;

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    NameControl(label, name, text);
    return label;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, const QStringList& lines, bool readOnly)
{
    auto* memo = new QPlainTextEdit(parent);
    NameControl(memo, name, lines.value(0).trimmed().isEmpty() ? QStringLiteral("Пояснение") : lines.value(0));
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    memo->setReadOnly(readOnly);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setMinimumWidth(300);
    memo->setFixedHeight(82);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return memo;
}

} // namespace

TKavrelF::TKavrelF(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("KavrelF"));
    setWindowTitle(QStringLiteral("Каврел 12кВ"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    // Title panel with the exit button beside it.
    PanelAdres = new QFrame(central);
    NameControl(PanelAdres, "PanelAdres", QStringLiteral("Назначение прибора"));
    PanelAdres->setFrameShape(QFrame::StyledPanel);
    auto* adres = new QVBoxLayout(PanelAdres);
    const QStringList adresLines = {
        QStringLiteral("          Прибор  специализированный  определения  концентрации "),
        QStringLiteral("           паров  этанола  в  выдыхаемом  воздухе"),
        QStringLiteral("    \" Каврел\""),
        QStringLiteral("v3.00 (06.12.2018)"),
    };
    for (int i = 0; i < adresLines.size(); ++i) {
        const QByteArray name = "PanelAdres_Label" + QByteArray::number(i + 1);
        auto* line = MakeLabel(PanelAdres, name.constData(), adresLines[i]);
        if (i == 2) {
            QFont big = line->font();
            big.setBold(true);
            big.setPointSizeF(big.pointSizeF() * 1.6);
            line->setFont(big);
        }
        adres->addWidget(line);
    }
    Key__Exit = MakePictureButton(central, "Key__Exit", QStringLiteral("Выход  из  программы"), "exit");
    Label4 = MakeLabel(central, "Label4", QStringLiteral("Выход"));
    auto* exitBox = new QVBoxLayout;
    exitBox->addWidget(Key__Exit, 0, Qt::AlignHCenter);
    exitBox->addWidget(Label4, 0, Qt::AlignHCenter);
    exitBox->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(PanelAdres, 1);
    top->addLayout(exitBox);
    layout->addLayout(top);

    BuildPanels();
    auto* panels = new QGridLayout;
    panels->addWidget(Panel1, 0, 0);
    panels->addWidget(Panel2, 0, 1);
    panels->addWidget(Panel3, 1, 0);
    panels->addWidget(Panel4, 1, 1);
    layout->addLayout(panels);
    setCentralWidget(central);

    BuildMenu();
    BuildStatusBar();

    connect(Key__Exit, &QToolButton::clicked, this, &TKavrelF::Key__ExitClick);
    connect(Key_Master, &QToolButton::clicked, this, &TKavrelF::Key_MasterClick);
    connect(Key_Data, &QToolButton::clicked, this, &TKavrelF::Key_DataClick);
    connect(Key_Setup, &QToolButton::clicked, this, &TKavrelF::Key_SetupClick);
    connect(Key_Debug, &QToolButton::clicked, this, &TKavrelF::Key_DebugClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &TKavrelF::SpeedButton1Click);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TKavrelF::Memo1Change);

    SetMainStatus = [this](int panel, const std::string& text) { SetStatus(panel, Q(text)); };
    FormCreate();
}

QFrame* TKavrelF::MakePanel(const char* name)
{
    auto* panel = new QFrame(centralWidget() ? centralWidget() : this);
    panel->setFrameShape(QFrame::StyledPanel);
    NameControl(panel, name, QStringLiteral("Панель"));
    return panel;
}

void TKavrelF::BuildPanels()
{
    struct Entry {
        QFrame** panel;
        const char* panelName;
        QToolButton** key;
        const char* keyName;
        const char* hint;
        const char* icon;
        QLabel** label;
        const char* labelName;
        const char* title;
    };
    const Entry entries[] = {
        {&Panel1, "Panel1", &Key_Master, "Key_Master", "Пуско-наладка", "test", &Label5, "Label5", "Тестирование (online)"},
        {&Panel2, "Panel2", &Key_Data, "Key_Data", "Программатор", "results", &Label6, "Label6", "Результаты (протоколы)"},
        {&Panel3, "Panel3", &Key_Setup, "Key_Setup", "Пуско-наладка", "setup", &Label7, "Label7", "Установки  программы"},
        {&Panel4, "Panel4", &Key_Debug, "Key_Debug", "Пуско-наладка", "debug", &Label18, "Label18", "Наладка  прибора"},
    };
    QGridLayout* grids[4];
    for (int i = 0; i < 4; ++i) {
        const Entry& e = entries[i];
        *e.panel = MakePanel(e.panelName);
        (*e.panel)->setAccessibleName(QString::fromUtf8(e.title));
        *e.key = MakePictureButton(*e.panel, e.keyName, QString::fromUtf8(e.hint), e.icon);
        // Several buttons share a hint; the panel title tells them apart when spoken.
        (*e.key)->setAccessibleName(QString::fromUtf8(e.title));
        (*e.key)->setAccessibleDescription(QString::fromUtf8(e.hint));
        *e.label = MakeLabel(*e.panel, e.labelName, QString::fromUtf8(e.title));
        QFont bold = (*e.label)->font();
        bold.setBold(true);
        (*e.label)->setFont(bold);
        grids[i] = new QGridLayout(*e.panel);
        grids[i]->addWidget(*e.key, 0, 0, 2, 1, Qt::AlignTop);
        grids[i]->addWidget(*e.label, 0, 1);
    }

    MemoMaster = MakeMemo(Panel1, "MemoMaster",
                          {QStringLiteral("Комплекс  контроля  трезвости  "),
                           QStringLiteral("Ппибор <=>  Персональный компьютер"),
                           QStringLiteral("(Управление прибором с помощью ПЭВМ)"), QString()},
                          true);
    MemoSens = MakeMemo(Panel2, "MemoSens",
                        {QStringLiteral("Просмотр  результатов  тестирования"),
                         QStringLiteral("Ведение  жернала  работы"), QStringLiteral("Печать  протоколов")},
                        true);
    MemoSetup = MakeMemo(Panel3, "MemoSetup",
                         {QStringLiteral("Установки  необходимы  для:"),
                          QStringLiteral("- выбора  номера  COM - порта;"),
                          QStringLiteral("- задания  временных  задержек обмена;"),
                          QStringLiteral("- задания  режимов  работы  с прибором.")},
                         true);
    Memo1 = MakeMemo(Panel4, "Memo1",
                     {QStringLiteral("Для  работы  в  этом  режиме небходимо"),
                      QStringLiteral("наличие  прав  доступа  (пароля)  "),
                      QStringLiteral("обращайтесь  в  сервисную  службу  предприятия"), QString(), QString()},
                     false);
    Memo1->setAccessibleName(QStringLiteral("Доступ к наладке"));
    SpeedButton1 = new QPushButton(QStringLiteral("База  сенсоров"), Panel4);
    NameControl(SpeedButton1, "SpeedButton1", SpeedButton1->text());

    grids[0]->addWidget(MemoMaster, 1, 1);
    grids[1]->addWidget(MemoSens, 1, 1);
    grids[2]->addWidget(MemoSetup, 1, 1);
    grids[3]->addWidget(Memo1, 1, 1);
    grids[3]->addWidget(SpeedButton1, 2, 1, Qt::AlignLeft);
}

void TKavrelF::BuildMenu()
{
    auto add = [this](QAction*& item, const char* name, const QString& caption) {
        item = menuBar()->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
    };
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    add(N1, "N1", QStringLiteral("Тестирование"));
    add(N2, "N2", QStringLiteral("Результаты"));
    // "Установки" holds the program's settings and the journal's server.
    QMenu* settings = menuBar()->addMenu(QStringLiteral("Установки"));
    settings->setObjectName(QStringLiteral("N5Menu"));
    N5 = settings->addAction(QStringLiteral("Установки программы"));
    N5->setObjectName(QStringLiteral("N5"));
    N6 = settings->addAction(QStringLiteral("Сервер журнала"));
    N6->setObjectName(QStringLiteral("N6"));
    add(N4, "N4", QStringLiteral("Наладка"));
    add(N3, "N3", QStringLiteral("Выход"));
    connect(N1, &QAction::triggered, this, &TKavrelF::N1Click);
    connect(N2, &QAction::triggered, this, &TKavrelF::N2Click);
    connect(N5, &QAction::triggered, this, &TKavrelF::N5Click);
    connect(N6, &QAction::triggered, this, &TKavrelF::N6Click);
    connect(N3, &QAction::triggered, this, &TKavrelF::N3Click);
}

void TKavrelF::BuildStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(false);
    const QString initial[3] = {QStringLiteral("Каврел 12кв"), QStringLiteral("Порт  COM1"),
                                QStringLiteral("Сенсор  нет данных")};
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(initial[i], statusBar());
        const QByteArray name = "StatusBar_Panel" + QByteArray::number(i);
        NameValueLabel(StatusPanel[i], name.constData(), QStringLiteral("Строка состояния, поле %1").arg(i + 1));
        StatusPanel[i]->setFixedWidth(100);
        StatusPanel[i]->setFrameShape(QFrame::Panel);
        StatusPanel[i]->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(StatusPanel[i]);
    }
}

void TKavrelF::SetStatus(int panel, const QString& text)
{
    if (panel < 0 || panel > 2)
        return;
    StatusPanel[panel]->setText(text);
    StatusPanel[panel]->setToolTip(text);
}

bool TKavrelF::event(QEvent* e)
{
    const bool handled = QMainWindow::event(e);
    if (e->type() == QEvent::WindowDeactivate) {
        // A message box the program shows (for example the warning of a
        // missing settings file, shown from FormActivate itself) takes the
        // activation only for a moment; coming back from it is not a new
        // activation. Every other window's closing is.
        backFromMessageBox_ = qobject_cast<QMessageBox*>(QApplication::activeWindow()) != nullptr;
    } else if (e->type() == QEvent::WindowActivate) {
        if (backFromMessageBox_)
            backFromMessageBox_ = false;
        else
            FormActivate();
    }
    return handled;
}

void TKavrelF::FormCreate()
{
    PortOpenFlag = false;
}

void TKavrelF::FormActivate()
{
    try {
        LoadSettings();
        reportedDamage_.clear();
    } catch (const EInOutError& e) {
        // Report a damaged file once; the values read stay in use either way.
        QFileInfo file(QString::fromLatin1(SettingsFileName));
        const QString key = QStringLiteral("%1|%2").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch());
        if (key != reportedDamage_) {
            reportedDamage_ = key;
            throw;
        }
    }
    SensorNumberText = std::to_string(SensorNumber);
    SetStatus(0, QStringLiteral("Каврел 12кв"));
    SetStatus(1, QStringLiteral("Порт: ") + Q(PortName));
    SetStatus(2, QStringLiteral("Сенсор № ") + Q(SensorNumberText));
    if (PortIndex == 0)
        PortIndex = 1;
    if (SetupNewF)
        SetupNewF->SelectEntry(PortIndex - 1);
}

void TKavrelF::Key__ExitClick()
{
    close();
}

void TKavrelF::Key_MasterClick()
{
    if (KavNewF)
        KavNewF->exec();
    Key_Master->setChecked(false);
}

void TKavrelF::Key_DataClick()
{
    if (KavResultF)
        KavResultF->exec();
    Key_Data->setChecked(false);
}

void TKavrelF::Key_SetupClick()
{
    if (SetupNewF)
        SetupNewF->exec();
    Key_Setup->setChecked(false);
}

void TKavrelF::Key_DebugClick()
{
    Key_Debug->setChecked(false);
}

void TKavrelF::SpeedButton1Click()
{
    // Not modal: the main window stays usable beside the sensor table.
    if (FBazaF)
        ShowNonModal(FBazaF);
}

void TKavrelF::Memo1Change()
{
    // Service staff get in by editing the panel's text: every edit opens
    // the adjustment window, after the engineer signed in where accounts
    // are set up.
    if (DebNewF)
        RunServiceSession(this, DebNewF);
    Key_Debug->setChecked(false);
}

void TKavrelF::N1Click()
{
    Key_MasterClick();
}

void TKavrelF::N2Click()
{
    Key_DataClick();
}

void TKavrelF::N5Click()
{
    Key_SetupClick();
}

void TKavrelF::N6Click()
{
    if (ServerF)
        ServerF->exec();
}

void TKavrelF::N3Click()
{
    close();
}
