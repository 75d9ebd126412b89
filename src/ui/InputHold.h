#pragma once
// While a window that is not modal holds the line for an exchange that must
// not be cut short (the characteristic half written into the instrument),
// the program's other windows take no input: no button there can start
// another exchange before the line is free again. Message boxes stay
// answerable, and the holding window's own dialogs and popups work.
#include <QObject>
#include <QPointer>

class QWidget;

class TInputHold : public QObject {
public:
    explicit TInputHold(QWidget* owner);
    ~TInputHold() override;

    // Starts or ends holding back the other windows' input.
    void Hold(bool on);
    bool Holding() const { return holding_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Allowed(QObject* receiver) const;

    QPointer<QWidget> owner_;
    bool holding_ = false;
};
