#pragma once
// The port setup window: chooses the COM port, or autonomous work without
// an instrument, and saves the choice at once.
#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QFrame;
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

public slots:
    // Takes the selected entry as the port, saves the settings and updates
    // the main window's status bar. Runs on click, and when the focus enters
    // or leaves the group.
    void RadioPortClick();
    void Key__ExitClick();

private:
    void FocusChanged(QWidget* old, QWidget* now);
    bool InsideRadioPort(QWidget* w) const;

    QButtonGroup* entries_;
};

extern TSetupNewF* SetupNewF;
