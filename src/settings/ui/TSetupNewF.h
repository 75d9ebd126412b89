#pragma once
// The port setup window: chooses the COM port, or autonomous work without
// an instrument, and saves the choice at once.
#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QFrame;
class QLabel;
class QTimer;
class QToolButton;

class TSetupNewF : public QDialog {
    Q_OBJECT
public:
    explicit TSetupNewF(QWidget* parent = nullptr);

    // Selects entry `entry` of RadioPort (-1 clears the selection).
    void SelectEntry(int entry);
    int SelectedEntry() const;

    QGroupBox* RadioPort;
    QToolButton* Key__Exit;
    QFrame* PageControl1; // background frame only, like an empty page holder
    // Beside the group: the device the selected entry leads to on this
    // machine and whether it is there (the entries keep their texts).
    QLabel* lab_PortDevice;

    // Brings lab_PortDevice up to date with the selected entry.
    void ShowPortDevice();

public slots:
    // Takes the selected entry as the port, saves the settings and updates
    // the main window's status bar. Runs on click, and when the focus enters
    // or leaves the group.
    void RadioPortClick();
    void Key__ExitClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FocusChanged(QWidget* old, QWidget* now);
    bool InsideRadioPort(QWidget* w) const;

    QButtonGroup* entries_;
    QTimer* devicePoll_; // a device plugged in or out shows while the window is open
};

extern TSetupNewF* SetupNewF;
