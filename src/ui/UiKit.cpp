#include "UiKit.h"

#include "Warnings.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QMessageBox>
#include <QPointer>
#include <QToolButton>

namespace {

constexpr const char* kPictureButton = "kavrelPictureButton";
constexpr const char* kPassingWindow = "kavrelPassingWindow";

// What assistive technology sees of a picture button. Qt offers a checkable
// button's "toggle" action, which flips the state without a click, so the
// button's handler would never run; this offers "press", which clicks.
class TPictureButtonAccessible : public QAccessibleWidget {
public:
    explicit TPictureButtonAccessible(QToolButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }
    QStringList actionNames() const override
    {
        return button()->isEnabled() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction() && button()->isEnabled())
            button()->click();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
};

QAccessibleInterface* PictureButtonAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("QToolButton") && object && object->property(kPictureButton).toBool())
        return new TPictureButtonAccessible(static_cast<QToolButton*>(object));
    return nullptr;
}

} // namespace

void PutText(QLineEdit* edit, const std::string& text)
{
    const QString q = Q(text);
    if (edit->text() != q)
        edit->setText(q);
}

void PutCell(QTableWidget* grid, int row, int column, const std::string& text)
{
    const QString q = Q(text);
    QTableWidgetItem* item = grid->item(row, column);
    if (item->text() != q)
        item->setText(q);
}

void NameControl(QWidget* control, const char* objectName, const QString& accessibleName)
{
    control->setObjectName(QString::fromLatin1(objectName));
    control->setAccessibleName(accessibleName.trimmed());
}

void NameValueLabel(QLabel* label, const char* objectName, const QString& role)
{
    label->setObjectName(QString::fromLatin1(objectName));
    label->setAccessibleName(QString());
    label->setAccessibleDescription(role);
}

// The icons are compiled into this static library; register them before
// first use, since nothing else references the resource's initialiser.
static void EnsureIcons()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

QToolButton* MakePictureButton(QWidget* parent, const char* objectName, const QString& hint, const char* icon,
                               int iconSize)
{
    EnsureIcons();
    static const bool accessible = [] {
        QAccessible::installFactory(PictureButtonAccessible);
        return true;
    }();
    (void)accessible;
    auto* button = new QToolButton(parent);
    button->setProperty(kPictureButton, true);
    NameControl(button, objectName, hint);
    button->setToolTip(hint);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QString::fromLatin1(icon))));
    button->setIconSize(QSize(iconSize, iconSize));
    button->setFixedSize(iconSize + 12, iconSize + 12);
    return button;
}

void MarkPassingWindow(QWidget* window)
{
    window->setProperty(kPassingWindow, true);
}

namespace {

// Which top-level window of the program was active before the one now
// activated. Qt sends WindowActivate to a window before its ActivationChange,
// and nothing while another program has the focus, so when a window becomes
// active and the one before it was itself, the program is coming back from
// another program.
class TActiveWindows : public QObject {
public:
    static TActiveWindows& Instance()
    {
        static TActiveWindows* instance = [] {
            auto* t = new TActiveWindows;
            qApp->installEventFilter(t);
            return t;
        }();
        return *instance;
    }
    QWidget* Previous() const { return previous_.Window; }
    // The window active before the one now active only passed by `window`:
    // a passing window, or a message box or dialog of its own. Told when it
    // is activated, as a box is gone by the time its owner is active again.
    bool PreviousPassedBy(QWidget* window) const
    {
        return previous_.Passing && (previous_.Owner == nullptr || previous_.Owner == window);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && w != current_.Window) {
                previous_ = current_;
                current_ = Seen(w);
            } else if (w->isWindow()) {
                previous_ = Seen(w);   // the same window again: back from outside
                previous_.Passing = false;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    struct TSeen {
        QPointer<QWidget> Window;
        bool Passing = false;      // a message box, a passing window or a dialog
        QPointer<QWidget> Owner;   // the window a box or dialog belongs to (none: it passes by any)
    };
    static TSeen Seen(QWidget* w)
    {
        TSeen seen{w, false, nullptr};
        QWidget* owner = w->parentWidget() ? w->parentWidget()->window() : nullptr;
        if (w->property(kPassingWindow).toBool()) {
            seen.Passing = true;   // by any window
        } else if (qobject_cast<QMessageBox*>(w) != nullptr || owner != nullptr) {
            // A box (by the window it came from, or by any when it has none),
            // or a dialog of the window that owns it.
            seen.Passing = true;
            seen.Owner = owner;
        }
        return seen;
    }

    TSeen current_;
    TSeen previous_;
};

} // namespace

TActivationWatch::TActivationWatch()
{
    TActiveWindows::Instance();
}

bool TActivationWatch::Activated(QWidget* window)
{
    if (!window->isActiveWindow())
        return false;
    if (fresh_) {
        fresh_ = false;
        return true;
    }
    // Not from another program (this window was the last one active), nor
    // from a box of its own or a passing window, also when the box came up,
    // or was gone back to, while another program had the focus.
    const TActiveWindows& windows = TActiveWindows::Instance();
    return windows.Previous() != window && !windows.PreviousPassedBy(window);
}

void CommitOpenEditors(QWidget* window)
{
    if (!window)
        return;
    for (QAbstractItemView* view : window->findChildren<QAbstractItemView*>()) {
        // An open cell editor sits at the current cell.
        QWidget* editor = view->indexWidget(view->currentIndex());
        if (!editor)
            continue;
        // The view's own slots, as a focus change to another control runs them.
        QMetaObject::invokeMethod(view, "commitData", Qt::DirectConnection, Q_ARG(QWidget*, editor));
        QMetaObject::invokeMethod(view, "closeEditor", Qt::DirectConnection, Q_ARG(QWidget*, editor),
                                  Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
    }
}

void ShowNonModal(QDialog* window)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != window) {
        const Qt::WindowModality wanted = modal ? Qt::ApplicationModal : Qt::NonModal;
        if (window->windowModality() != wanted) {
            // Qt takes a new modality only at the next showing.
            if (window->isVisible())
                window->hide();
            window->setWindowModality(wanted);
            if (wanted != Qt::NonModal)
                QObject::connect(
                    window, &QDialog::finished, window, [window] { window->setWindowModality(Qt::NonModal); },
                    Qt::SingleShotConnection);
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
}

QString AppTitle()
{
    return QStringLiteral("Каврел");
}

void InstallWarningDialogs()
{
    ShowWarning = [](const std::string& text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Предупреждение"), Q(text),
                        QMessageBox::Ok | QMessageBox::Cancel);
        box.setObjectName(QStringLiteral("FileWarning"));
        box.exec();
    };
}

void ShowErrorBox(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, AppTitle(), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
}

void ShowUnconfirmedWrite(QWidget* owner, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("WriteUnconfirmed"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
