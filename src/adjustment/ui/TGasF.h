#pragma once
// The session's test gas: its blood alcohol (promille, "0.30"), its lot or
// cylinder number and its expiry date. A gas past its expiry date, a value
// that is no gas, or an empty lot is refused with the reason; an accepted
// gas becomes the session's and leaves a journal line with the tolerance
// and interval of the session.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TGasF : public QDialog {
    Q_OBJECT
public:
    explicit TGasF(QWidget* parent = nullptr);

    QLineEdit* edit_GasValue;
    QLineEdit* edit_GasLot;
    QLineEdit* edit_GasExpiry;
    QLabel* lab_Gas;
    QPushButton* key_GasOk;
    QPushButton* key_GasCancel;

public slots:
    void key_GasOkClick();
};
