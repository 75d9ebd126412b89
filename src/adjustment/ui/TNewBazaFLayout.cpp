// Controls and layout of the sensor database window.
#include "TNewBazaF.h"

#include "ServiceControls.h"
#include "UiKit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace {

constexpr int kTableRowsShown = 16;   // of the 31 rows of GridS; the rest scroll

// A panel the operator clicks: a flat button whose lines are labels; a
// click on any of them is a click on the panel.
QPushButton* ClickPanel(QWidget* parent, const char* name, std::initializer_list<std::pair<QLabel**, const char*>> lines,
                        const QStringList& texts)
{
    auto* panel = new QPushButton(parent);
    NameControl(panel, name, texts.front());
    panel->setAutoDefault(false);
    panel->setToolTip(texts.join(QLatin1Char(' ')).simplified());
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(0);
    int i = 0;
    for (const auto& [label, labelName] : lines) {
        *label = MakeLabel(panel, labelName, texts[i]);
        (*label)->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (i == 0) {
            QFont bold = (*label)->font();
            bold.setBold(true);
            (*label)->setFont(bold);
        }
        layout->addWidget(*label);
        ++i;
    }
    panel->setMinimumHeight(layout->sizeHint().height());
    return panel;
}

QProgressBar* Bar(QWidget* parent, const char* name, const QString& role)
{
    auto* bar = new QProgressBar(parent);
    NameControl(bar, name, role);
    bar->setRange(0, TSensorExchange::ProgressMax);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setMaximumHeight(14);
    return bar;
}

} // namespace

void TNewBazaF::BuildLayout()
{
    // The selected sensor and the exit.
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Данные  сенсора:  "));
    EditNS = MakeNumberEdit(this, "EditNS", QString(), QStringLiteral("Номер сенсора"));
    EditNS->setToolTip(QStringLiteral("Номер сенсора; Enter — показать его запись"));
    Key_Plus = MakeButton(this, "Key_Plus", QStringLiteral("+1"));
    Key_Minus = MakeButton(this, "Key_Minus", QStringLiteral("-1"));
    Key_Exit = new QToolButton(this);
    NameControl(Key_Exit, "Key_Exit", QStringLiteral("Выход  "));
    Key_Exit->setToolTip(QStringLiteral("Выход  "));
    Key_Exit->setCheckable(true);
    Key_Exit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    Key_Exit->setIconSize(QSize(24, 24));
    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(EditNS);
    top->addWidget(Key_Plus);
    top->addWidget(Key_Minus);
    top->addStretch();
    top->addWidget(Key_Exit);

    // The database table: the labels of the characteristic's words. Word 31
    // is kept but has no row of its own.
    GridS = MakeGrid(this, "GridS", QStringLiteral("Характеристика сенсора из базы"), SensorTableSize - 1, false,
                     TGridShape{.RowsShown = kTableRowsShown});
    for (int r = 0; r < GridS->rowCount(); ++r)
        GridS->item(r, 0)->setText(QString::fromUtf8(SensorTableLabels[static_cast<std::size_t>(r)]));

    // The note, as stored with the record; nothing reads it back.
    Label2 = MakeLabel(this, "Label2", QStringLiteral("Примечания. (Номер прибора, владелец и т.п.) "));
    EditText = new QLineEdit(this);
    NameControl(EditText, "EditText", Label2->text());
    EditText->setReadOnly(true);

    // The two point tables and the transfers between them.
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Из  базы данных  "));
    GridBaza = MakeGrid(this, "GridBaza", QStringLiteral("Точки из базы данных"), SensorPointCount, true);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("Из  прибора  "));
    GridBazaP = MakeGrid(this, "GridBazaP", QStringLiteral("Точки из прибора"), SensorPointCount, true);
    for (int r = 0; r < SensorPointCount; ++r) {
        const QString label = QString::fromUtf8(SensorPointLabels[static_cast<std::size_t>(r)]);
        GridBaza->item(r, 0)->setText(label);
        GridBazaP->item(r, 0)->setText(label);
    }
    key_P_Baza = MakeButton(this, "key_P_Baza", QStringLiteral("=>"));
    key_P_Baza->setAccessibleName(QStringLiteral("Прибор => База"));
    key_P_Baza->setToolTip(key_P_Baza->accessibleName());
    Label5 = MakeLabel(this, "Label5", QStringLiteral("Прибор => База"));
    key_Baza_P = MakeButton(this, "key_Baza_P", QStringLiteral("=>"));
    key_Baza_P->setAccessibleName(QStringLiteral("База => Прибор"));
    key_Baza_P->setToolTip(key_Baza_P->accessibleName());
    Label6 = MakeLabel(this, "Label6", QStringLiteral("База => Прибор"));
    for (QPushButton* b : {key_P_Baza, key_Baza_P})
        b->setMaximumWidth(40);

    typeMove = new QGroupBox(QStringLiteral("Перенести данные  "), this);
    NameControl(typeMove, "typeMove", typeMove->title());
    auto* moves = new QVBoxLayout(typeMove);
    const char* moveNames[3] = {"typeMove_0", "typeMove_1", "typeMove_2"};
    const QString moveTexts[3] = {QStringLiteral("Прибор => База"), QStringLiteral("База => Прибор"),
                                  QStringLiteral("Нет  переноса")};
    for (int i = 0; i < 3; ++i) {
        typeMoveItem[i] = new QRadioButton(moveTexts[i], typeMove);
        NameControl(typeMoveItem[i], moveNames[i], moveTexts[i]);
        moves->addWidget(typeMoveItem[i]);
    }
    typeMoveItem[TransferNone]->setChecked(true);

    auto* transfers = new QGridLayout;
    transfers->addWidget(key_P_Baza, 0, 0);
    transfers->addWidget(Label5, 0, 1);
    transfers->addWidget(key_Baza_P, 1, 0);
    transfers->addWidget(Label6, 1, 1);

    auto* points = new QGridLayout;
    points->addWidget(Label3, 0, 0);
    points->addWidget(GridBaza, 1, 0);
    points->addWidget(Label4, 0, 1);
    points->addWidget(GridBazaP, 1, 1);
    points->addLayout(transfers, 2, 0);
    points->addWidget(typeMove, 2, 1);

    // Numbers and statistics.
    Label7 = MakeLabel(this, "Label7", QStringLiteral("Номер   прибора  (0101 - 65012)"));
    edNum_EEPROM = MakeNumberEdit(this, "edNum_EEPROM", QString(), Label7->text());
    Label9 = MakeLabel(this, "Label9", QStringLiteral("Номер  сенсора  (1- 65099)"));
    edNum_Sensor = MakeNumberEdit(this, "edNum_Sensor", QString(), Label9->text());
    Key_UFin = MakeButton(this, "Key_UFin", QStringLiteral("Прием"));
    Key_UFin->setToolTip(QStringLiteral("Считать  данные  из прибора"));
    Key_UFin->setAccessibleDescription(Key_UFin->toolTip());
    Key_UFout = MakeButton(this, "Key_UFout", QStringLiteral("Запись"));
    Key_UFout->setToolTip(QStringLiteral("Записать  данные  в  прибор"));
    Key_UFout->setAccessibleDescription(Key_UFout->toolTip());

    GroupBoxStat = new QGroupBox(QStringLiteral("Статистика  работы  прибора"), this);
    NameControl(GroupBoxStat, "GroupBoxStat", GroupBoxStat->title());
    Label10 = MakeLabel(GroupBoxStat, "Label10", QStringLiteral("Время  работы  прибора"));
    time_01 = MakeNumberEdit(GroupBoxStat, "time_01", QString(), Label10->text());
    Label11 = MakeLabel(GroupBoxStat, "Label11", QStringLiteral("Количество  проведенных  тестов"));
    test_All = MakeNumberEdit(GroupBoxStat, "test_All", QString(), Label11->text());
    Label15 = MakeLabel(GroupBoxStat, "Label15", QStringLiteral("Зафиксировано  >=  0.3  промилле"));
    test_03 = MakeNumberEdit(GroupBoxStat, "test_03", QString(), Label15->text());
    key_ClrStat = MakeButton(GroupBoxStat, "key_ClrStat", QStringLiteral("Обнулить  статистику"));
    auto* stat = new QGridLayout(GroupBoxStat);
    stat->addWidget(Label10, 0, 0);
    stat->addWidget(time_01, 0, 1);
    stat->addWidget(Label11, 1, 0);
    stat->addWidget(test_All, 1, 1);
    stat->addWidget(Label15, 2, 0);
    stat->addWidget(test_03, 2, 1);
    stat->addWidget(key_ClrStat, 3, 0, 1, 2);

    Label16 = MakeLabel(this, "Label16", QStringLiteral("Считывание из прибора:"));
    progress_Rd = Bar(this, "progress_Rd", Label16->text());
    Label17 = MakeLabel(this, "Label17", QStringLiteral("Запись в прибор:"));
    progress_Wr = Bar(this, "progress_Wr", Label17->text());

    // Room for a word and for the operating time's seven characters.
    for (QLineEdit* edit : {EditNS, edNum_EEPROM, edNum_Sensor, time_01, test_All, test_03})
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);

    auto* numbers = new QGridLayout;
    numbers->addWidget(Label7, 0, 0);
    numbers->addWidget(edNum_EEPROM, 0, 1);
    numbers->addWidget(Label9, 1, 0);
    numbers->addWidget(edNum_Sensor, 1, 1);
    auto* numberKeys = new QHBoxLayout;
    numberKeys->addWidget(Key_UFin);
    numberKeys->addWidget(Key_UFout);
    numbers->addLayout(numberKeys, 2, 0, 1, 2);
    numbers->addWidget(GroupBoxStat, 3, 0, 1, 2);
    numbers->addWidget(Label16, 4, 0, 1, 2);
    numbers->addWidget(progress_Rd, 5, 0, 1, 2);
    numbers->addWidget(Label17, 6, 0, 1, 2);
    numbers->addWidget(progress_Wr, 7, 0, 1, 2);
    numbers->setRowStretch(8, 1);

    // The record's panels.
    Panel3 = ClickPanel(this, "Panel3", {{&Label18, "Label18"}, {&Label19, "Label19"}, {&Label20, "Label20"}, {&Label22, "Label22"}},
                        {QStringLiteral("Корректировать данные сенсора"), QStringLiteral("Измените  значения  в  таблице:"),
                         QStringLiteral("\"Из  базы данных\""), QStringLiteral("и кликните  сюда  для  записи  в  базу")});
    Panel4 = ClickPanel(this, "Panel4", {{&Label8, "Label8"}, {&Label12, "Label12"}, {&Label13, "Label13"}, {&Label14, "Label14"}},
                        {QStringLiteral("Создать новую  запись"), QStringLiteral("Будет создана  запись  для  следующего"),
                         QStringLiteral("(+1) сенсора.Данные  будут скопирова-  "), QStringLiteral("ны  и  записаны  в  базу.")});
    Panel5 = ClickPanel(this, "Panel5", {{&Label21, "Label21"}}, {QStringLiteral("Работать  с  базой  сенсоров")});
    auto* panels = new QVBoxLayout;
    panels->addWidget(Panel3);
    panels->addWidget(Panel4);
    panels->addWidget(Panel5);
    panels->addStretch();

    auto* left = new QVBoxLayout;
    left->addWidget(GridS);
    left->addStretch();
    auto* middle = new QVBoxLayout;
    middle->addLayout(points);
    middle->addWidget(Label2);
    middle->addWidget(EditText);
    middle->addLayout(panels);

    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addLayout(middle);
    body->addLayout(numbers);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body);
}
