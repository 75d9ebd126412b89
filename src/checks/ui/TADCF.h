#pragma once
// The measuring path check: channel 1 (sensitive layer) and channel 2
// (BLOW_OUT) live, and the two-point calibration of channel 1 that writes
// the zero offset (word 13) and the supply (word 25) into the instrument.
//
// The note `Memo1` lies over the whole calibration block, as designed. It
// steps aside for a person who wants the calibration: its corner button
// `key_HideMemo` hides it, and so does moving the keyboard focus (Tab) onto
// a control under it. It is back over the block at the next opening.
#include "TPathCheckWindow.h"

class QPlainTextEdit;

class TADCF : public TPathCheckWindow {
    Q_OBJECT
public:
    explicit TADCF(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1;
    QToolButton* key_HideMemo;

public slots:
    void key_HideMemoClick();

protected:
    void ClosedOwn() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceMemo();
};

extern TADCF* ADCF;
