#pragma once
// The blow path check: the same live view as the measuring path check and,
// in place of the two-point calibration, the blow channel's start delta
// (word 26, written from `delta_Wr` and read back into `delta_Rd`) and the
// BLOW_OUT zero level the instrument reports (`fix_Rd`).
//
// `Panel1` lies over the U1/U2 controls, as designed; the write button
// below it stays visible. The covered controls keep working for the shared
// hold flags and points but take no keyboard focus.
#include "TPathCheckWindow.h"

class QFrame;

class TBLOW_F : public TPathCheckWindow {
    Q_OBJECT
public:
    explicit TBLOW_F(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel* Label17;
    QLabel* Label18;
    QLabel* Label19;
    QLabel* Label24;
    QLineEdit* delta_Rd;
    QLineEdit* fix_Rd;
    QLineEdit* delta_Wr;
    QLineEdit* fix_Wr;

protected:
    void ShowOwn(unsigned parts) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlacePanel();
};

extern TBLOW_F* BLOW_F;
