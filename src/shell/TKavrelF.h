#pragma once
// The main window: a launcher of four panels, a menu and a status bar that
// follows the settings file.
#include <QMainWindow>

class QLabel;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QFrame;

class TKavrelF : public QMainWindow {
    Q_OBJECT
public:
    explicit TKavrelF(QWidget* parent = nullptr);

    QToolButton* Key__Exit;
    QLabel* Label4;
    QFrame* PanelAdres;
    QFrame* Panel1;
    QToolButton* Key_Master;
    QLabel* Label5;
    QPlainTextEdit* MemoMaster;
    QFrame* Panel2;
    QToolButton* Key_Data;
    QLabel* Label6;
    QPlainTextEdit* MemoSens;
    QFrame* Panel3;
    QToolButton* Key_Setup;
    QLabel* Label7;
    QPlainTextEdit* MemoSetup;
    QFrame* Panel4;
    QToolButton* Key_Debug;
    QLabel* Label18;
    QPushButton* SpeedButton1;
    QPlainTextEdit* Memo1;
    QLabel* StatusPanel[3];
    QAction* N1;
    QAction* N2;
    QAction* N5;
    QAction* N6; // in the "Установки" menu: the journal's server
    QAction* N4;
    QAction* N3;

public slots:
    void FormCreate();
    void FormActivate();
    void Key__ExitClick();
    void Key_MasterClick();
    void Key_DataClick();
    void Key_SetupClick();
    void Key_DebugClick();
    void SpeedButton1Click();
    void Memo1Change();
    void N1Click();
    void N2Click();
    void N5Click();
    void N6Click();
    void N3Click();

protected:
    bool event(QEvent* e) override;

private:
    QFrame* MakePanel(const char* name);
    void BuildPanels();
    void BuildMenu();
    void BuildStatusBar();
    void SetStatus(int panel, const QString& text);

    // Remembers which damaged settings file was already reported, so that
    // reactivation after the error box does not report it again and again.
    QString reportedDamage_;
    bool backFromMessageBox_ = false;
};

extern TKavrelF* KavrelF;
