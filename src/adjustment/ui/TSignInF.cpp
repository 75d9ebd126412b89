#include "TSignInF.h"

#include "Certificate.h"
#include "ServiceRecord.h"
#include "UiKit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSignInF::TSignInF(const std::vector<TEngineer>& engineers, TSignInGuard& guard, QWidget* parent)
    : QDialog(parent), engineers_(engineers), guard_(guard)
{
    setObjectName(QStringLiteral("SignInF"));
    setWindowTitle(QStringLiteral("Вход наладчика"));
    setAccessibleName(windowTitle());
    box_Engineer = new QComboBox(this);
    NameControl(box_Engineer, "box_Engineer", QStringLiteral("Наладчик"));
    for (const TEngineer& e : engineers_)
        box_Engineer->addItem(Q(e.Name));
    edit_Password = new QLineEdit(this);
    NameControl(edit_Password, "edit_Password", QStringLiteral("Пароль"));
    edit_Password->setEchoMode(QLineEdit::Password);
    lab_SignIn = new QLabel(this);
    NameValueLabel(lab_SignIn, "lab_SignIn", QStringLiteral("Сообщение входа"));
    lab_SignIn->setWordWrap(true);
    key_SignIn = new QPushButton(QStringLiteral("Войти"), this);
    NameControl(key_SignIn, "key_SignIn", key_SignIn->text());
    key_SignIn->setDefault(true);
    key_SignInCancel = new QPushButton(QStringLiteral("Отмена"), this);
    NameControl(key_SignInCancel, "key_SignInCancel", key_SignInCancel->text());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Наладчик:"), box_Engineer);
    form->addRow(QStringLiteral("Пароль:"), edit_Password);
    auto* keys = new QHBoxLayout;
    keys->addStretch();
    keys->addWidget(key_SignIn);
    keys->addWidget(key_SignInCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Для работы в режиме наладки войдите под своим именем."), this));
    layout->addLayout(form);
    layout->addWidget(lab_SignIn);
    layout->addLayout(keys);
    // Grows with a message that needs more lines, so it is never cut.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(key_SignIn, &QPushButton::clicked, this, [this] { RunGuarded([this] { key_SignInClick(); }); });
    connect(key_SignInCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::string TSignInF::Engineer() const
{
    return S(box_Engineer->currentText());
}

void TSignInF::Refuse(const QString& text, const std::string& why)
{
    edit_Password->clear();
    lab_SignIn->setText(text);
    RecordServiceEntry(this, NoteEntryNow(JournalSignInRefused, 0, 0, EngineerDetails(Engineer(), why)));
}

void TSignInF::key_SignInClick()
{
    const int index = box_Engineer->currentIndex();
    if (index < 0 || index >= static_cast<int>(engineers_.size()))
        return;
    if (const int wait = guard_.SecondsLeft(); wait > 0) {
        Refuse(QStringLiteral("Вход закрыт после неверных паролей. Повторите через %1 с.").arg(wait),
               "вход закрыт ещё " + std::to_string(wait) + " с");
        return;
    }
    if (PasswordMatches(engineers_[index], S(edit_Password->text()))) {
        guard_.Succeeded();
        edit_Password->clear();
        accept();
        return;
    }
    guard_.Failed();
    const int wait = guard_.SecondsLeft();
    if (wait > 0)
        Refuse(QStringLiteral("Неверный пароль. Вход закрыт на %1 с.").arg(wait),
               "неверный пароль, вход закрыт на " + std::to_string(wait) + " с");
    else
        Refuse(QStringLiteral("Неверный пароль."), "неверный пароль");
}
