#include "TGasF.h"

#include "Certificate.h"
#include "ExchangeGlobals.h"
#include "ServiceRecord.h"
#include "ServiceSession.h"
#include "Text.h"
#include "UiKit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

TGasF::TGasF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("GasF"));
    setWindowTitle(QStringLiteral("Газ сеанса"));
    setAccessibleName(windowTitle());
    auto edit = [this](const char* name, const QString& spoken) {
        auto* e = new QLineEdit(this);
        NameControl(e, name, spoken);
        return e;
    };
    edit_GasValue = edit("edit_GasValue", QStringLiteral("Реальное значение, промилле"));
    edit_GasLot = edit("edit_GasLot", QStringLiteral("Партия или номер баллона"));
    edit_GasExpiry = edit("edit_GasExpiry", QStringLiteral("Годен до"));
    edit_GasExpiry->setPlaceholderText(QStringLiteral("ДД.ММ.ГГГГ"));
    const TServiceSession& s = CurrentSession();
    if (s.Gas) {
        edit_GasValue->setText(Q(FormatFixed(s.Gas->Alcohol, 2, 0)));
        edit_GasLot->setText(Q(s.Gas->Lot));
        edit_GasExpiry->setText(Q(s.Gas->Expiry));
    }
    lab_Gas = new QLabel(this);
    NameValueLabel(lab_Gas, "lab_Gas", QStringLiteral("Сообщение о газе"));
    lab_Gas->setWordWrap(true);
    QPalette red = lab_Gas->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lab_Gas->setPalette(red);
    key_GasOk = new QPushButton(QStringLiteral("Принять"), this);
    NameControl(key_GasOk, "key_GasOk", key_GasOk->text());
    key_GasOk->setDefault(true);
    key_GasCancel = new QPushButton(QStringLiteral("Отмена"), this);
    NameControl(key_GasCancel, "key_GasCancel", key_GasCancel->text());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Реальное значение (промилле):"), edit_GasValue);
    form->addRow(QStringLiteral("Партия / баллон:"), edit_GasLot);
    form->addRow(QStringLiteral("Годен до (ДД.ММ.ГГГГ):"), edit_GasExpiry);
    auto* keys = new QHBoxLayout;
    keys->addStretch();
    keys->addWidget(key_GasOk);
    keys->addWidget(key_GasCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Поверочная газовая смесь этого сеанса:"), this));
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Допуск ±%1 промилле, интервал регулировки %2 мес. (Kavrel.ini)")
                                     .arg(Q(FormatFixed(s.Tolerance, 2, 0)))
                                     .arg(s.IntervalMonths),
                                 this));
    layout->addWidget(lab_Gas);
    layout->addLayout(keys);
    // Grows with a message that needs more lines, so it is never cut.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(key_GasOk, &QPushButton::clicked, this, [this] { RunGuarded([this] { key_GasOkClick(); }); });
    connect(key_GasCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TGasF::key_GasOkClick()
{
    TSessionGas gas;
    gas.Alcohol = static_cast<int>(ReadFixedPoint(S(edit_GasValue->text().trimmed()), 2));
    gas.Lot = S(edit_GasLot->text().simplified().replace(QLatin1Char(';'), QLatin1Char(' ')));
    gas.Expiry = S(edit_GasExpiry->text().trimmed());
    const TJournalClock now = JournalNow();
    std::string refusal = GasRefusal(gas, ParseDay(now.Date).value_or(TDay{}));
    if (refusal.empty() && gas.Lot.empty())
        refusal = "Укажите партию или номер баллона газа.";
    if (!refusal.empty()) {
        lab_Gas->setText(Q(refusal));
        return;
    }
    TServiceSession& s = CurrentSession();
    s.Gas = gas;
    RecordServiceEntry(this, NoteEntryNow(JournalGas, 0, 0, GasDetails(gas, s.Tolerance, s.IntervalMonths)));
    accept();
}
