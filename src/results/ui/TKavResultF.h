#pragma once
// The results window: the journal of recorded tests. It gathers the month
// files (all months ending with the current one, or one month), lists the
// lines of all persons or of the person selected in its person grid, shows
// them as text or as a one-column grid, appends them to a text file and
// hands them to the print window as a list or as one filled-in act.
// Every activation reloads the person list and the journal from disk.
//
// With the test register (Register, readable) the journal is the register's:
// the year choice box_Year picks the records of a year (the current one at
// each opening), the month and person choices work within it, each line
// shows its number and full date, the act of a recorded line carries them,
// and "Экспорт журнала" writes the year's records as a CSV file. Each
// opening writes what waits in memory and checks the whole register
// against its chain and the month files, telling once what does not match.
// Without the register the window has neither and works on the month files.
//
// With a shared journal configured ([server] of Kavrel.ini), "Все посты"
// beside the year choice lists the server's rows of every post with the
// same choices, each line with its post's name; the first time in a
// showing the server's chains are checked too. The server is asked from a
// thread of its own: the post's own lines stay listed until it answers,
// and when it does not, the window says so and keeps them.
#include "RegisterView.h"

#include <QDialog>

#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
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

    // The journal lines listed now with what each one is (the register's
    // view; empty without the register).
    const std::vector<JournalEntry>& ListedEntries() const { return entries_; }
    // The journal is the register's.
    bool RegisterShown() const { return registerShown_; }
    // The lines listed are the server's (all posts); false while its
    // answer is awaited and when it did not come.
    bool ServerShown() const { return serverShown_; }
    // Answers of the server awaited (the journal, the chain check).
    int ServerAsked() const { return serverAsked_; }

    QToolButton* Key__Exit;
    QLabel* Label_Year;
    QComboBox* box_Year;
    QLabel* lab_Count;
    QCheckBox* box_AllPosts;  // the shared journal of every post, from the server
    QLabel* lab_Server;       // what the server said when it did not answer
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
    QPushButton* key_Csv;
    QFileDialog* SaveDialogCsv;

public slots:
    void FormCreate();
    void FormActivate();
    void box_MChange();
    void box_ListClick();
    void box_1Click();
    void tab_FIOClick();
    void key_FileClick();
    void key_PrintClick();
    void key_CsvClick();
    void box_YearChange();
    void box_AllPostsClick();
    void Key__ExitClick();

protected:
    bool event(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void BuildControls();
    void BuildLayout();
    void ShowListed();
    void OpenRegister();
    void FillYears();
    YearChoice ChosenYear() const;
    void Tell(const QString& text, const char* boxName);
    QString GridLine(int row) const;
    void AskServer();
    void CheckServer();
    void AddYears(const std::vector<int>& years);
    void ShowEntries(std::vector<JournalEntry> entries, long long total);

    QButtonGroup* personChoice_;
    std::vector<std::string> listed_;
    std::vector<JournalEntry> entries_;
    std::vector<YearChoice> years_;      // box_Year's items
    RegisterCheck check_;                // of this opening
    bool registerShown_ = false;
    bool serverShown_ = false;
    int serverAsked_ = 0;
    int serverQuestion_ = 0;             // the journal question whose answer is awaited
    bool serverChecked_ = false;         // the server's chains were checked this showing
    std::string journalConnection_;      // of this opening; empty: no shared journal
    bool opened_ = false;                // this showing's opening is done
    std::string registerNews_;           // to tell once per showing
    bool registerTold_ = false;
    std::string personError_;        // why the person list could not be read
    bool personErrorTold_ = false;   // told once while the window is shown
};

extern TKavResultF* KavResultF;
