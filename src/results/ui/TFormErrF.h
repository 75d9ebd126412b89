#pragma once
// The input error window: says that the seven calibration points just
// entered are not acceptable and shows them beside their labels. The calling
// window stores the points in EnteredPoints and shows this window (not
// modally); "ПОВТОРНЫЙ  ВВОД" closes it and the caller's grid is unchanged.
#include "Characteristic.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QTableWidget;

class TFormErrF : public QDialog {
    Q_OBJECT
public:
    explicit TFormErrF(QWidget* parent = nullptr);

    // The points the caller's validation rejected, in point order.
    SensorPointTable EnteredPoints {};

    QPlainTextEdit* Memo1;
    QTableWidget* GridBaza;
    QPushButton* Button1;

public slots:
    // Fills GridBaza: the point labels, and the points right-aligned in 6.
    void FormActivate();
    void Button1Click();

protected:
    bool event(QEvent* e) override;
};

extern TFormErrF* FormErrF;

// Shows the input error window (FormErrF) with the rejected points, or
// refreshes it when it is already shown.
void ShowInputError(const SensorPointTable& points);
