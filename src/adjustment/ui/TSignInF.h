#pragma once
// The engineer's sign-in box: an engineer from the accounts, a password.
// A wrong password opens nothing; the guard's waits are told and kept.
// Every refusal leaves a journal line (never the password or a hash).
#include "Engineers.h"
#include "SignInGuard.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TSignInF : public QDialog {
    Q_OBJECT
public:
    TSignInF(const std::vector<TEngineer>& engineers, TSignInGuard& guard, QWidget* parent = nullptr);

    // The engineer signed in, once accepted.
    std::string Engineer() const;

    QComboBox* box_Engineer;
    QLineEdit* edit_Password;
    QLabel* lab_SignIn;
    QPushButton* key_SignIn;
    QPushButton* key_SignInCancel;

public slots:
    void key_SignInClick();

private:
    void Refuse(const QString& text, const std::string& why);

    std::vector<TEngineer> engineers_;
    TSignInGuard& guard_;
};
