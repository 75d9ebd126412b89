#include "TServerF.h"

#include "ServerTask.h"
#include "UiKit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVBoxLayout>
#include <QVariant>

TServerF* ServerF = nullptr;

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& role)
{
    auto* edit = new QLineEdit(parent);
    NameControl(edit, name, role);
    edit->setMinimumWidth(420);
    return edit;
}

// What the server said to the check, in the user's words.
std::string CheckAnswer(QSqlDatabase* db, ReplyDeadline& deadline, const std::string& reason,
                        const std::string& post)
{
    if (!db)
        return "Нет связи с сервером: " + reason;
    QSqlQuery q(*db);
    {
        DeadlineScope watch(deadline, *db, LinkTimeouts{}.replyMs);
        if (!q.exec(QStringLiteral("SELECT current_user, kavrel.own_post(), "
                                   "pg_has_role(current_user, 'kavrel_reader', 'USAGE'), "
                                   "current_setting('server_version')")) ||
            !q.next())
            return "Сервер ответил, но журнала на нём нет: " + ReasonOf(q.lastError());
    }
    const std::string role = q.value(0).toString().toStdString();
    const bool sends = !q.value(1).isNull();
    const std::string serverPost = q.value(1).toString().toStdString();
    const bool reads = q.value(2).toBool();
    std::string text = "Связь есть: PostgreSQL " + q.value(3).toString().toStdString() + ", роль " + role + ". ";
    if (sends && serverPost == post)
        text += "Роль отправляет записи поста «" + post + "».";
    else if (sends)
        text += "Роль отправляет записи поста «" + serverPost + "», а в установках указан пост «" + post + "».";
    else if (reads)
        text += "Роль читает журнал всех постов и не отправляет записи.";
    else
        text += "Роль не может ни отправлять записи, ни читать журнал.";
    return text;
}

} // namespace

TServerF::TServerF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ServerF"));
    setWindowTitle(QStringLiteral("Сервер журнала"));
    setModal(true);

    Label_Post = new QLabel(QStringLiteral("Пост (как его называет журнал)"), this);
    NameControl(Label_Post, "Label_Post", Label_Post->text());
    edit_Post = MakeEdit(this, "edit_Post", QStringLiteral("Пост"));
    Label_Post->setBuddy(edit_Post);
    Label_Connection = new QLabel(QStringLiteral("Подключение (строка libpq, без пароля)"), this);
    NameControl(Label_Connection, "Label_Connection", Label_Connection->text());
    edit_Connection = MakeEdit(this, "edit_Connection", QStringLiteral("Подключение"));
    edit_Connection->setPlaceholderText(QStringLiteral("host=journal.example.ru dbname=kavrel user=post1 sslmode=verify-full"));
    Label_Connection->setBuddy(edit_Connection);
    Label_Journal = new QLabel(QStringLiteral("Чтение журнала всех постов (если не то же)"), this);
    NameControl(Label_Journal, "Label_Journal", Label_Journal->text());
    edit_Journal = MakeEdit(this, "edit_Journal", QStringLiteral("Подключение для чтения журнала"));
    Label_Journal->setBuddy(edit_Journal);

    key_Check = new QPushButton(QStringLiteral("Проверить связь"), this);
    NameControl(key_Check, "key_Check", key_Check->text());
    lab_Answer = new QLabel(this);
    NameValueLabel(lab_Answer, "lab_Answer", QStringLiteral("Ответ сервера"));
    lab_Answer->setWordWrap(true);
    lab_Answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    key_Save = new QPushButton(QStringLiteral("Сохранить"), this);
    NameControl(key_Save, "key_Save", key_Save->text());
    key_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    NameControl(key_Cancel, "key_Cancel", key_Cancel->text());

    auto* form = new QFormLayout;
    form->addRow(Label_Post, edit_Post);
    form->addRow(Label_Connection, edit_Connection);
    form->addRow(Label_Journal, edit_Journal);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(key_Check);
    buttons->addStretch();
    buttons->addWidget(key_Save);
    buttons->addWidget(key_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lab_Answer);
    layout->addLayout(buttons);

    connect(key_Check, &QPushButton::clicked, this, &TServerF::key_CheckClick);
    connect(key_Save, &QPushButton::clicked, this, Guarded(this, &TServerF::key_SaveClick));
    connect(key_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TServerF::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TServerF::FormShow()
{
    const ServerSettings s = LoadServerSettings();
    edit_Post->setText(Q(s.post));
    edit_Connection->setText(Q(s.connection));
    edit_Journal->setText(Q(s.journal));
    lab_Answer->clear();
    ++asked_; // an answer still on its way belongs to the last showing
}

ServerSettings TServerF::Edited() const
{
    return {S(edit_Post->text().trimmed()), S(edit_Connection->text().trimmed()), S(edit_Journal->text().trimmed())};
}

void TServerF::key_CheckClick()
{
    const ServerSettings s = Edited();
    if (s.connection.empty()) {
        lab_Answer->setText(QStringLiteral("Подключение не указано."));
        return;
    }
    const int asked = ++asked_;
    lab_Answer->setText(QStringLiteral("Проверяется связь с сервером…"));
    QPointer<QObject> self(this);
    RunOnServer(s.connection, LinkTimeouts{}, [self, this, asked, post = s.post](QSqlDatabase* db, ReplyDeadline& d,
                                                                                   const std::string& reason) {
        const std::string answer = CheckAnswer(db, d, reason, post);
        AnswerOnMainThread(self, [this, asked, answer] {
            if (asked == asked_)
                lab_Answer->setText(Q(answer));
        });
    });
}

void TServerF::key_SaveClick()
{
    const ServerSettings s = Edited();
    std::string reason;
    QString options;
    for (const std::string* c : {&s.connection, &s.journal})
        if (!c->empty() && !ConnectOptionsFor(*c, {}, &options, &reason)) {
            lab_Answer->setText(QStringLiteral("Не сохранено: ") + Q(reason) + QStringLiteral("."));
            return;
        }
    if (!SaveServerSettings(s, &reason)) {
        lab_Answer->setText(QStringLiteral("Не сохранено: ") + Q(reason) + QStringLiteral("."));
        return;
    }
    if (Saved)
        Saved(s);
    accept();
}
