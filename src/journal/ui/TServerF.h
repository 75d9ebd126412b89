#pragma once
// The dialog "Сервер журнала": the post's name and the connection of the
// [server] section of Kavrel.ini (and the connection the whole journal is
// read with, where that is another), and "Проверить связь", which asks
// the server from a thread of its own and says what it answered.
#include "ServerSettings.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class TServerF : public QDialog {
    Q_OBJECT
public:
    explicit TServerF(QWidget* parent = nullptr);

    // Told after the settings were saved (the sender takes them up).
    std::function<void(const ServerSettings&)> Saved;

    QLabel* Label_Post;
    QLineEdit* edit_Post;
    QLabel* Label_Connection;
    QLineEdit* edit_Connection;
    QLabel* Label_Journal;
    QLineEdit* edit_Journal;
    QPushButton* key_Check;
    QLabel* lab_Answer;
    QPushButton* key_Save;
    QPushButton* key_Cancel;

public slots:
    void FormShow();
    void key_CheckClick();
    void key_SaveClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    ServerSettings Edited() const;
    int asked_ = 0; // the check whose answer is awaited
};

extern TServerF* ServerF;
