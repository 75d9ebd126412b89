// Controls and layout of the adjustment window.
#include "TDebNewF.h"

#include "Characteristic.h"
#include "ReadingsView.h"
#include "ServiceControls.h"
#include "UiKit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <string>

namespace {

constexpr int kOverlayHeight = 161;

QPlainTextEdit* MakeNote(QWidget* parent, const char* name, const QString& role, const QStringList& lines)
{
    auto* memo = new QPlainTextEdit(lines.join(QLatin1Char('\n')), parent);
    NameControl(memo, name, role);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setFixedHeight(84);
    memo->setFocusPolicy(Qt::NoFocus);
    return memo;
}

// The pictures of the point edits: a falling characteristic (voltage over
// alcohol) with the part the button changes drawn in red.
QIcon SlopeIcon(int kind)
{
    QPixmap pixmap(48, 36);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::gray, 1));
    p.drawLine(4, 2, 4, 33);
    p.drawLine(4, 33, 46, 33);
    const QPoint low[] = {{6, 6}, {18, 12}, {26, 18}};
    const QPoint mid = {26, 18};
    const QPoint high[] = {{26, 18}, {36, 24}, {45, 30}};
    const bool upper = kind == 1 || kind == 2 || kind == 4;   // 0.5 .. 2.0 promille part
    const bool lower = kind == 3 || kind == 5;                // clean air .. 0.5 part
    p.setPen(QPen(lower ? Qt::red : Qt::black, 2));
    p.drawPolyline(low, 3);
    p.setPen(QPen(upper ? Qt::red : Qt::black, 2));
    p.drawPolyline(high, 3);
    p.setPen(QPen(Qt::blue, 4));
    p.drawPoint(mid);
    if (kind == 2) {
        p.setPen(QPen(Qt::red, 1, Qt::DashLine));
        p.drawLine(26, 18, 45, 33);
    }
    return QIcon(pixmap);
}

QToolButton* MakeImage(QWidget* parent, const char* name, const QString& role, int kind)
{
    auto* button = new QToolButton(parent);
    NameControl(button, name, role);
    button->setToolTip(role);
    button->setIcon(SlopeIcon(kind));
    button->setIconSize(QSize(48, 36));
    button->setAutoRaise(true);
    return button;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* button = new QToolButton(parent);
    NameControl(button, name, text.trimmed().isEmpty() ? hint : text);
    button->setText(text);
    button->setToolTip(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

} // namespace

void TDebNewF::BuildLayout()
{
    auto* top = new QHBoxLayout;
    Key__Exit = MakePictureButton(this, "Key__Exit", QStringLiteral("Выход"), "exit", 32);
    Key_Read = MakeButton(this, "Key_Read", QStringLiteral("      ЧИТАТЬ              "));
    box_Nabl = new QCheckBox(QStringLiteral("Наблюдать за прибором"), this);
    NameControl(box_Nabl, "box_Nabl", box_Nabl->text());
    progresIO = new QProgressBar(this);
    NameControl(progresIO, "progresIO", QStringLiteral("Ход обмена с прибором"));
    progresIO->setMaximum(50);
    progresIO->setTextVisible(false);
    progresIO->hide();
    lab_Link = new QLabel(this);
    NameValueLabel(lab_Link, "lab_Link", QStringLiteral("Связь с прибором"));
    QPalette red = lab_Link->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lab_Link->setPalette(red);
    top->addWidget(Key_Read);
    top->addWidget(box_Nabl);
    top->addWidget(progresIO, 1);
    top->addWidget(lab_Link, 1);
    top->addWidget(Key__Exit);

    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildLivePart());
    middle->addWidget(BuildGasPart());
    middle->addWidget(BuildPointPart());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(BuildServicePart());
}

QWidget* TDebNewF::BuildLivePart()
{
    auto* part = new QWidget(this);
    NameControl(part, "PanelLive", QStringLiteral("Показания прибора"));
    auto* box = new QVBoxLayout(part);
    box->setContentsMargins(0, 0, 0, 0);

    lab_mV = MakeLabel(part, "lab_mV", QStringLiteral("Сенсор  алкоголя (mV):"));
    lab__mV = MakeVoltageLabel(part, "lab__mV");
    auto* mvRow = new QHBoxLayout;
    mvRow->addWidget(lab_mV);
    mvRow->addWidget(lab__mV);
    mvRow->addStretch();
    box->addLayout(mvRow);

    QLabel* scaleLabels[5];
    box->addLayout(MakeGraphRow(part, "ImD", ImD, scaleLabels, {"Label3", "Label4", "Label5", "Label6", "Label7"}));
    Label3 = scaleLabels[0];
    Label4 = scaleLabels[1];
    Label5 = scaleLabels[2];
    Label6 = scaleLabels[3];
    Label7 = scaleLabels[4];

    GroupBoxLive = new QGroupBox(QStringLiteral("Текущие показания  прибора "), part);
    NameControl(GroupBoxLive, "GroupBoxLive", GroupBoxLive->title());
    auto* readouts = new QGridLayout(GroupBoxLive);
    edit_Kav_CD = MakeReadout(GroupBoxLive, "edit_Kav_CD", QStringLiteral("0.000"),
                              QStringLiteral("Концентрация в воздухе, мг/л"), 16);
    edit_Kav0_1D = MakeReadout(GroupBoxLive, "edit_Kav0_1D", QStringLiteral("0.0"),
                               QStringLiteral("Алкоголь в крови, промилле"), 16);
    L_Kav_01D = new QLabel(QStringLiteral("0.00"), GroupBoxLive);
    NameValueLabel(L_Kav_01D, "L_Kav_01D", QStringLiteral("Алкоголь в крови, сотые промилле"));
    L_Kav_01D->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readouts->addWidget(MakeLabel(GroupBoxLive, "LabelAir", QStringLiteral("мг/л")), 0, 1);
    readouts->addWidget(edit_Kav_CD, 0, 0);
    readouts->addWidget(edit_Kav0_1D, 1, 0);
    readouts->addWidget(MakeLabel(GroupBoxLive, "LabelPromille", QStringLiteral("промилле")), 1, 1);
    readouts->addWidget(L_Kav_01D, 2, 0);
    // The overlay of the online window's readouts; this window never shows it.
    panel_RGD = new QFrame(GroupBoxLive);
    NameControl(panel_RGD, "panel_RGD", QStringLiteral("Код режима прибора"));
    panel_RGD->setFixedHeight(kOverlayHeight);
    edit_RGD = new QLineEdit(QStringLiteral("РГ"), panel_RGD);
    NameControl(edit_RGD, "edit_RGD", QStringLiteral("Код режима"));
    edit_RGD->setReadOnly(true);
    panel_RGD->hide();
    box->addWidget(GroupBoxLive);

    GroupBoxResults = new QGroupBox(QStringLiteral("Результаты последних (завершенных) тестов  "), part);
    NameControl(GroupBoxResults, "GroupBoxResults", GroupBoxResults->title());
    memo_resD = new QPlainTextEdit(GroupBoxResults);
    NameControl(memo_resD, "memo_resD", QStringLiteral("Результаты последних тестов"));
    memo_resD->setReadOnly(true);
    memo_resD->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_resD->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* results = new QVBoxLayout(GroupBoxResults);
    results->addWidget(memo_resD);
    box->addWidget(GroupBoxResults, 1);

    box_Sound = new QCheckBox(QStringLiteral("Отключить ЗВУК (если результат выше 0.3)"), part);
    NameControl(box_Sound, "box_Sound", box_Sound->text());
    box->addWidget(box_Sound);
    return part;
}

QWidget* TDebNewF::BuildGasPart()
{
    auto* part = new QWidget(this);
    NameControl(part, "PanelGas", QStringLiteral("Тестовая смесь"));
    auto* box = new QVBoxLayout(part);
    box->setContentsMargins(0, 0, 0, 0);

    // One row of three values under each group: µg/l, hundredths, mV.
    auto values = [part](QGroupBox*& group, const char* groupName, const QString& title,
                         QLineEdit*& c, const char* cName, QLineEdit*& kav, const char* kavName, QLineEdit*& mv,
                         const char* mvName, const QString& what, bool readOnly) {
        group = new QGroupBox(title, part);
        NameControl(group, groupName, title);
        auto* grid = new QGridLayout(group);
        const QString units[3] = {QStringLiteral("мкг/л"), QStringLiteral("0.01 промилле"), QStringLiteral("мВ")};
        for (int i = 0; i < 3; ++i) {
            const std::string name = std::string(groupName) + "_Unit" + std::to_string(i + 1);
            grid->addWidget(MakeLabel(group, name.c_str(), units[i]), 0, i);
        }
        c = MakeNumberEdit(group, cName, QStringLiteral("0000"), what + QStringLiteral(": концентрация, мкг/л"),
                           readOnly);
        kav = MakeNumberEdit(group, kavName, QStringLiteral("0000"),
                             what + QStringLiteral(": алкоголь, сотые промилле"), readOnly);
        mv = MakeNumberEdit(group, mvName, QStringLiteral("0000"), what + QStringLiteral(": напряжение, мВ"), readOnly);
        grid->addWidget(c, 1, 0);
        grid->addWidget(kav, 1, 1);
        grid->addWidget(mv, 1, 2);
        return grid;
    };
    QGridLayout* real = values(GroupBoxReal, "GroupBoxReal", QStringLiteral("Реальное значение"), edit_real_C,
                               "edit_real_C", edit_real_Kav, "edit_real_Kav", edit_real_mV, "edit_real_mV",
                               QStringLiteral("Реальное значение"), false);
    edit_real_C->setReadOnly(true);
    edit_real_mV->setReadOnly(true);
    minus__1 = MakeButton(GroupBoxReal, "minus__1", QStringLiteral("-1"));
    plus__1 = MakeButton(GroupBoxReal, "plus__1", QStringLiteral("+1"));
    minus__10 = MakeButton(GroupBoxReal, "minus__10", QStringLiteral("-10"));
    plus__10 = MakeButton(GroupBoxReal, "plus__10", QStringLiteral("+10"));
    auto* steps = new QHBoxLayout;
    for (QPushButton* b : {minus__10, minus__1, plus__1, plus__10})
        steps->addWidget(b);
    real->addLayout(steps, 2, 0, 1, 3);
    box->addWidget(GroupBoxReal);

    values(GroupBoxTest, "GroupBoxTest",
           QStringLiteral("         Результат  теста  (из EEPROM  прибора)             "), edit_test_C, "edit_test_C",
           edit_test_Kav, "edit_test_Kav", edit_test_mV, "edit_test_mV", QStringLiteral("Результат теста"), true);
    box->addWidget(GroupBoxTest);

    QGridLayout* corr = values(
        GroupBoxCorr, "GroupBoxCorr", QStringLiteral("         Корректировка  характеристик                          "),
        edit_del_C, "edit_del_C", edit_del_Kav, "edit_del_Kav", edit_del_mV, "edit_del_mV",
        QStringLiteral("Разница"), false);
    edit_del_C->setReadOnly(true);
    edit_del_Kav->setReadOnly(true);
    key_Corr = MakeButton(GroupBoxCorr, "key_Corr", QStringLiteral("Произвести   корректировку  характеристик"));
    write_Corr = MakeButton(GroupBoxCorr, "write_Corr", QStringLiteral("Округлить.Записать в прибор"));
    corr->addWidget(key_Corr, 2, 0, 1, 3);
    corr->addWidget(write_Corr, 3, 0, 1, 3);
    box->addWidget(GroupBoxCorr);

    // The slope presets and the rescaling of either end.
    auto* edits = new QGroupBox(QStringLiteral("Наклон характеристики"), part);
    NameControl(edits, "GroupBoxSlope", edits->title());
    auto* grid = new QGridLayout(edits);
    im_1 = MakeImage(edits, "im_1", QStringLiteral("Наклон 1: от точки 0.5 промилле вниз"), 1);
    im_2 = MakeImage(edits, "im_2", QStringLiteral("Наклон 2: от точки 0.5 промилле вниз, круче"), 2);
    im_3 = MakeImage(edits, "im_3", QStringLiteral("Наклон 3: от точки 0.5 промилле вверх"), 3);
    grid->addWidget(im_1, 0, 0);
    grid->addWidget(im_2, 0, 1);
    grid->addWidget(im_3, 0, 2);
    im_down = MakeImage(edits, "im_down", QStringLiteral("Пересчитать верхнюю часть к новой точке 2.0 промилле"), 4);
    l_20 = new QLabel(QStringLiteral("0000"), edits);
    NameValueLabel(l_20, "l_20", QStringLiteral("Точка 2.0 промилле, мВ"));
    new_20 = MakeNumberEdit(edits, "new_20", QStringLiteral("0000"), QStringLiteral("Новая точка 2.0 промилле, мВ"));
    im_Up = MakeImage(edits, "im_Up", QStringLiteral("Пересчитать нижнюю часть к новой точке чистого воздуха"), 5);
    l_00 = new QLabel(QStringLiteral("0000"), edits);
    NameValueLabel(l_00, "l_00", QStringLiteral("Точка чистого воздуха, мВ"));
    new_00 = MakeNumberEdit(edits, "new_00", QStringLiteral("0000"),
                            QStringLiteral("Новая точка чистого воздуха, мВ"));
    grid->addWidget(im_down, 1, 0);
    grid->addWidget(l_20, 1, 1);
    grid->addWidget(new_20, 1, 2);
    grid->addWidget(im_Up, 2, 0);
    grid->addWidget(l_00, 2, 1);
    grid->addWidget(new_00, 2, 2);
    box->addWidget(edits);
    box->addStretch();
    return part;
}

QWidget* TDebNewF::BuildPointPart()
{
    auto* part = new QWidget(this);
    NameControl(part, "PanelPoints", QStringLiteral("Характеристика сенсора"));
    auto* box = new QVBoxLayout(part);
    box->setContentsMargins(0, 0, 0, 0);

    Grid_S = MakeGrid(part, "Grid_S", QStringLiteral("Параметры характеристики"), 15, false);
    box->addWidget(Grid_S);
    GridBaza = MakeGrid(part, "GridBaza", QStringLiteral("Точки характеристики сенсора"), 7, true);
    for (int r = 0; r < SensorPointCount; ++r)
        GridBaza->item(r, 0)->setText(QString::fromUtf8(SensorPointLabels[r]));
    box->addWidget(GridBaza);

    auto* shift = new QHBoxLayout;
    key_DelMi = MakeButton(part, "key_DelMi", QStringLiteral("-"));
    txt_PlMinus = MakeNumberEdit(part, "txt_PlMinus", QStringLiteral("100"), QStringLiteral("Шаг сдвига точек, мВ"));
    key_DelPl = MakeButton(part, "key_DelPl", QStringLiteral("+"));
    key_DelMi->setAccessibleName(QStringLiteral("Сдвинуть точки вниз"));
    key_DelPl->setAccessibleName(QStringLiteral("Сдвинуть точки вверх"));
    shift->addWidget(key_DelMi);
    shift->addWidget(txt_PlMinus);
    shift->addWidget(key_DelPl);
    box->addLayout(shift);
    Button1 = MakeButton(part, "Button1", QStringLiteral("Округлить до 10"));
    box->addWidget(Button1);
    Key_DataEdit = MakeSpeedButton(part, "Key_DataEdit", QStringLiteral("Ввод"), QStringLiteral("Пересчет  данных "));
    Key_DataEdit->setMinimumWidth(120);
    box->addWidget(Key_DataEdit);
    // Below the points' buttons, where the layout had room to spare.
    box->addSpacing(12);
    key_Gas = MakeButton(part, "key_Gas", QStringLiteral("Газ сеанса"));
    box->addWidget(key_Gas);
    key_Protocol = MakeButton(part, "key_Protocol", QStringLiteral("Свидетельство о регулировке"));
    box->addWidget(key_Protocol);
    key_History = MakeButton(part, "key_History", QStringLiteral("История прибора"));
    box->addWidget(key_History);
    box->addStretch();
    return part;
}

QWidget* TDebNewF::BuildServicePart()
{
    auto* part = new QWidget(this);
    NameControl(part, "PanelService", QStringLiteral("Сервис"));
    auto* row = new QHBoxLayout(part);
    row->setContentsMargins(0, 0, 0, 0);
    const QString hint = QStringLiteral("Читать  данные  из  прибора");
    auto group = [&](QGroupBox*& box, const char* boxName, const QString& title, QPlainTextEdit*& memo,
                     const char* memoName, const QStringList& lines, QToolButton*& button, const char* buttonName,
                     const QString& caption) {
        box = new QGroupBox(title, part);
        NameControl(box, boxName, title);
        auto* inner = new QHBoxLayout(box);
        memo = MakeNote(box, memoName, title, lines);
        button = MakeSpeedButton(box, buttonName, caption, hint);
        inner->addWidget(memo, 1);
        inner->addWidget(button);
        row->addWidget(box);
    };
    group(GroupBoxAdc, "GroupBoxAdc", QStringLiteral("Контроль  измерительного  тракта"), memo_Adc, "memo_Adc",
          {QStringLiteral("Контроль  и  определение  характеристик измерительного"),
           QStringLiteral("тракта:  смещение  \"0\"  и  напряжение  питания."),
           QStringLiteral("Введите  две  любые  точки. Выше  и  ниже  1000мВ.")},
          AllRead, "AllRead", QStringLiteral("Открыть"));
    group(GroupBoxBlow, "GroupBoxBlow", QStringLiteral("Контроль  BLOW_OUT"), memo_Blow, "memo_Blow",
          {QStringLiteral("Дельта  запуска (Data_Sen[26]) должна  быть  в "),
           QStringLiteral("пределах  1..8. При  попытке  задать  значения"),
           QStringLiteral("вне  диапазона, будет  использоваться  значение 2.")},
          SpeedButton1, "SpeedButton1", QStringLiteral("Открыть"));
    group(GroupBoxBase, "GroupBoxBase", QStringLiteral("Номера (прибора и сенсора). Статистика"), memo_Base,
          "memo_Base",
          {QStringLiteral("Изменение номера прибора  и  номера  сенсора. "),
           QStringLiteral("Работа  с  базой  данных  по  сенсорам."),
           QStringLiteral("Просмотр и  обнуление  статистики  прибора.")},
          SpeedButton2, "SpeedButton2", QStringLiteral("Открыть"));
    // The three buttons share one hint; each is named after its group.
    AllRead->setAccessibleName(QStringLiteral("Открыть контроль измерительного тракта"));
    SpeedButton1->setAccessibleName(QStringLiteral("Открыть контроль BLOW_OUT"));
    SpeedButton2->setAccessibleName(QStringLiteral("Открыть базу данных по сенсорам"));
    return part;
}
