#pragma once
// Answers the modal dialogs a window opens during a test: message boxes are
// remembered and answered with Yes or OK; a file dialog gets the action set
// for it. Each answer is given from the event loop, not from inside the
// poll, so that a dialog opened by an answer (an overwrite question) is
// answered in turn.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

class DialogAnswerer : public QObject {
public:
    DialogAnswerer()
    {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start();
    }

    // What to do with each file dialog that comes up; it must close it.
    std::function<void(QFileDialog*)> onFileDialog;
    // Called with each message box before it is answered.
    std::function<void(QMessageBox*)> onMessageBox;
    QStringList messages;
    int fileDialogs = 0;

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == answered_)
            return;
        auto* dialog0 = qobject_cast<QDialog*>(modal);
        if (!dialog0)
            return;
        // Answer each showing once; a dialog shown again is answered again.
        answered_ = modal;
        connect(dialog0, &QDialog::finished, this, [this] { answered_ = nullptr; }, Qt::SingleShotConnection);
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages << box->text();
            if (onMessageBox)
                onMessageBox(box);
            QTimer::singleShot(0, box, [box] {
                if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                    yes->click();
                else
                    box->accept();
            });
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            ++fileDialogs;
            QTimer::singleShot(0, dialog, [this, dialog] {
                if (onFileDialog)
                    onFileDialog(dialog);
                else
                    static_cast<QDialog*>(dialog)->reject();
            });
        }
    }
    QTimer timer_;
    QPointer<QWidget> answered_;
};
