#pragma once
// While a window holds the line for a write list and its read-back, nothing
// may cut the list in half: the program's other windows take no input, and
// the window's own controls that would start another list or close it wait
// (they are disabled until the hold ends); closing the window, by its frame
// or by Escape, is refused meanwhile. Message boxes stay answerable, and the
// holding window's other controls, dialogs and popups work.
#include <QObject>
#include <QPointer>

#include <initializer_list>
#include <vector>

class QWidget;

class TInputHold : public QObject {
public:
    explicit TInputHold(QWidget* owner);
    ~TInputHold() override;

    // The owner's controls that wait while the hold is on.
    void AlsoHold(std::initializer_list<QWidget*> controls);

    // Starts or ends the hold.
    void Hold(bool on);
    bool Holding() const { return holding_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Allowed(QObject* receiver) const;
    void HoldControls(bool on);

    QPointer<QWidget> owner_;
    bool holding_ = false;
    std::vector<QPointer<QWidget>> controls_;
    std::vector<QPointer<QWidget>> disabled_;   // what the hold itself disabled
};
