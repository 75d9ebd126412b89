#pragma once
// Small pieces every window of the program uses: naming controls for code
// and screen readers, picture buttons, text conversion, message boxes.
#include <QString>

#include <exception>
#include <string>

class QDialog;
class QLabel;
class QLineEdit;
class QTableWidget;
class QWidget;
class QToolButton;

// Texts inside the program are UTF-8 std::string; Qt wants QString.
inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string S(const QString& s) { return s.toStdString(); }

// Puts a text into an edit or a grid cell unless it holds it already, so
// that an edit the operator is in keeps its cursor and a cell sends no
// change for nothing.
void PutText(QLineEdit* edit, const std::string& text);
void PutCell(QTableWidget* grid, int row, int column, const std::string& text);

// Sets the control's objectName and the name a screen reader speaks.
void NameControl(QWidget* control, const char* objectName, const QString& accessibleName);

// A label that shows a value (a voltage, a date, a status text): a screen
// reader speaks its current text, so it gets no fixed accessible name; what
// the value is goes into its accessible description.
void NameValueLabel(QLabel* label, const char* objectName, const QString& role);

// A two-state picture button with an icon from the program's resources
// (":/icons/<icon>.png") and a hint; its hint is also its spoken name. It
// shows "down" while the window it opened is open, and assistive technology
// presses it (running its handler) rather than toggling it.
QToolButton* MakePictureButton(QWidget* parent, const char* objectName, const QString& hint, const char* icon,
                               int iconSize = 48);

// Shows a window that is not modal by design. While a modal window of the
// program is open, a window shown beside it would take no input; it is
// then shown application-modal instead, and is not modal again once it
// closes.
void ShowNonModal(QDialog* window);

// Marks a window that only passes by (the input error window): coming back
// from it is no new activation of the window below (TActivationWatch).
void MarkPassingWindow(QWidget* window);

// Tells a window's real activations: its first showing, and its coming to
// the front from another window of this program. Not activations: coming
// back from a message box, a passing window or a dialog of its own (they
// take the activation only for a moment, and what the operator was typing
// must not be loaded over then), and coming back from another program (the
// engineer looked something up; the window is as it was left).
class TActivationWatch {
public:
    // Starts watching which window of the program is active (once for all).
    TActivationWatch();
    // From the window's changeEvent on QEvent::ActivationChange: true when
    // the window has just become active anew.
    bool Activated(QWidget* window);
    // The window closed: its next activation is a real one.
    void Reset() { fresh_ = true; }

private:
    bool fresh_ = true;
};

// Makes the file warnings appear as message boxes (warning icon, OK and
// Cancel). Called once at program start.
void InstallWarningDialogs();

// The application's title, "Каврел", the caption of its message boxes.
QString AppTitle();

// Shows an error text the way an exception escaping a handler is shown: a
// message box with the program's title.
void ShowErrorBox(const QString& text);

// Tells that a write into the instrument was not confirmed by its
// read-back (the text begins "Запись не подтверждена"): a warning box over
// `owner`, objectName "WriteUnconfirmed", that does not stop the window's
// exchange. Never a success is shown beside it.
void ShowUnconfirmedWrite(QWidget* owner, const QString& text);

// Runs a handler that may throw (a file that could not be written), and
// shows what it throws with ShowErrorBox. For handlers called from inside
// the toolkit's own mouse, key and focus handling: an exception unwinding
// through that code would skip its clean-up.
template <typename F>
void RunGuarded(F&& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    }
}

// Commits what is being typed into a cell of any grid of the window, as
// leaving the cell would: a value typed is the value used, whether or not
// Enter was pressed. A tool button takes no focus when clicked, so the cell
// editor would otherwise stay open with the typed value unread.
void CommitOpenEditors(QWidget* window);

// A window's handler to connect to a control's signal, run by RunGuarded
// after the window's open cell editors are committed.
template <typename W>
auto Guarded(W* window, void (W::*handler)())
{
    return [window, handler] {
        RunGuarded([window, handler] {
            CommitOpenEditors(window);
            (window->*handler)();
        });
    };
}
