#pragma once
// Typing into the program's controls as a user does. QTest::keyClicks
// takes Latin-1 only, and the program's users type Cyrillic too: each
// character here is a key press and release carrying that character.
#include <QCoreApplication>
#include <QLineEdit>
#include <QString>
#include <QTableWidget>
#include <QtTest>

inline void TypeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Clicks into an edit, selects what it holds and types over it.
inline void TypeInto(QLineEdit* edit, const QString& text)
{
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    TypeKeys(edit, text);
}

// Types into a cell of a grid: click, F2, type, Enter.
inline void TypeIntoCell(QTableWidget* grid, int row, int column, const QString& text)
{
    // Editors closed earlier are deleted later; let them go first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QPoint at = grid->visualRect(grid->model()->index(row, column)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::keyClick(grid, Qt::Key_F2);
    const auto editors = grid->viewport()->findChildren<QLineEdit*>();
    QCOMPARE(editors.size(), 1);
    QLineEdit* editor = editors.front();
    editor->selectAll();
    TypeKeys(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(grid->item(row, column)->text(), text); // the editor commits on its next turn
}

// Types into a cell of column 1 and leaves its editor open: no Enter, no
// Tab, so the typed text is not yet in the cell.
inline void TypeWithoutEnter(QTableWidget* grid, int row, const QString& text)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::keyClick(grid, Qt::Key_F2);
    const auto editors = grid->viewport()->findChildren<QLineEdit*>();
    QCOMPARE(editors.size(), 1);
    editors.front()->selectAll();
    TypeKeys(editors.front(), text);
    QVERIFY(grid->item(row, 1)->text() != text);
}
