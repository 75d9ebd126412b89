#include "ServiceControls.h"

#include "UiKit.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

#include <string>

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    NameControl(label, name, text);
    return label;
}

QLineEdit* MakeNumberEdit(QWidget* parent, const char* name, const QString& text, const QString& role,
                          bool readOnly)
{
    auto* edit = new QLineEdit(text, parent);
    NameControl(edit, name, role);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setMaximumWidth(70);
    edit->setReadOnly(readOnly);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    NameControl(button, name, text);
    button->setAutoDefault(false);
    return button;
}

QTableWidget* MakeGrid(QWidget* parent, const char* name, const QString& role, int rows, bool editable,
                       const TGridShape& shape)
{
    auto* grid = new QTableWidget(rows, 2, parent);
    NameControl(grid, name, role);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setMinimumSectionSize(shape.RowHeight);
    grid->verticalHeader()->setDefaultSectionSize(shape.RowHeight);
    grid->setColumnWidth(0, shape.LabelWidth);
    grid->setColumnWidth(1, shape.ValueWidth);
    grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (int r = 0; r < rows; ++r) {
        auto* label = new QTableWidgetItem;
        label->setFlags(Qt::ItemIsEnabled);
        grid->setItem(r, 0, label);
        auto* value = new QTableWidgetItem;
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                 : Qt::ItemIsEnabled);
        grid->setItem(r, 1, value);
    }
    const bool scrolled = shape.RowsShown > 0 && shape.RowsShown < rows;
    grid->setVerticalScrollBarPolicy(scrolled ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int bar = scrolled ? grid->verticalScrollBar()->sizeHint().width() : 0;
    grid->setFixedWidth(shape.LabelWidth + shape.ValueWidth + bar + 2 * grid->frameWidth() + 4);
    grid->setFixedHeight((scrolled ? shape.RowsShown : rows) * shape.RowHeight + 2 * grid->frameWidth() + 2);
    grid->setCornerButtonEnabled(false);
    if (auto* corner = grid->findChild<QAbstractButton*>())
        NameControl(corner, (std::string(name) + "_corner").c_str(), QStringLiteral("Угол таблицы"));
    return grid;
}
