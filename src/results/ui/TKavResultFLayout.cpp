// Arrangement of the results window's controls.
#include "TKavResultF.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

void TKavResultF::BuildLayout()
{
    // box_List shows its two items in two columns.
    auto* choice = new QHBoxLayout(box_List);
    for (QObject* child : box_List->children())
        if (auto* item = qobject_cast<QAbstractButton*>(child))
            choice->addWidget(item);

    auto* year = new QVBoxLayout;
    year->addWidget(Label_Year);
    year->addWidget(box_Year);
    year->addWidget(box_AllPosts);

    auto* month = new QVBoxLayout;
    month->addWidget(Label1);
    month->addWidget(box_M);

    auto* top = new QHBoxLayout;
    top->addLayout(year);
    top->addSpacing(12);
    top->addLayout(month);
    top->addWidget(box_List);
    top->addWidget(box_1, 0, Qt::AlignBottom);
    top->addStretch();
    top->addWidget(Key__Exit, 0, Qt::AlignTop);

    auto* persons = new QVBoxLayout;
    persons->addWidget(edit_FIO);
    persons->addWidget(tab_FIO, 1);

    auto* lines = new QVBoxLayout;
    lines->addWidget(lab_Count);
    lines->addWidget(lab_Server);
    lines->addWidget(memo_R, 1);
    lines->addWidget(grid_R, 1);

    auto* middle = new QHBoxLayout;
    middle->addLayout(persons);
    middle->addLayout(lines);

    auto* output = new QHBoxLayout(key_Save);
    output->addWidget(key_File);
    output->addWidget(edit_NameF, 1);
    output->addWidget(key_Print);
    output->addWidget(key_Csv);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(key_Save);
    resize(820, 640);
}
