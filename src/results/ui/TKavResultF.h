#pragma once
// The results window: the journal of recorded tests. It gathers the month
// files (all months ending with the current one, or one month), lists the
// lines of all persons or of the person selected in its person grid, shows
// them as text or as a one-column grid, appends them to a text file and
// hands them to the print window as a list or as one filled-in act.
// Every activation reloads the person list and the journal from disk.
#include <QDialog>

#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QToolButton;

class TKavResultF : public QDialog {
    Q_OBJECT
public:
    explicit TKavResultF(QWidget* parent = nullptr);

    // Rows of grid_R; more are added when more lines are listed.
    static constexpr int GridRows = 2000;

    // The journal lines listed now, in order (memo_R and grid_R show them).
    const std::vector<std::string>& ListedLines() const { return listed_; }
    int ListedCount() const { return static_cast<int>(listed_.size()); }

    // Reloads the person list and the journal and lists the lines again.
    void Refresh();

    QToolButton* Key__Exit;
    QLabel* Label1;
    QComboBox* box_M;
    QGroupBox* box_List;
    QCheckBox* box_1;
    QTableWidget* tab_FIO;
    QLineEdit* edit_FIO;
    QPlainTextEdit* memo_R;
    QTableWidget* grid_R;
    QGroupBox* key_Save;
    QPushButton* key_File;
    QLineEdit* edit_NameF;
    QPushButton* key_Print;

public slots:
    void FormCreate();
    void FormActivate();
    void box_MChange();
    void box_ListClick();
    void box_1Click();
    void tab_FIOClick();
    void key_FileClick();
    void key_PrintClick();
    void Key__ExitClick();

protected:
    bool event(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void BuildControls();
    void BuildLayout();
    void ShowListed();
    QString GridLine(int row) const;

    QButtonGroup* personChoice_;
    std::vector<std::string> listed_;
    std::string personError_;        // why the person list could not be read
    bool personErrorTold_ = false;   // told once while the window is shown
};

extern TKavResultF* KavResultF;
