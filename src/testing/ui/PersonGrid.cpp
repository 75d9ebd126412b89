#include "PersonGrid.h"

#include "PersonList.h"
#include "UiKit.h"

#include <QAbstractButton>
#include <QHeaderView>

namespace {

constexpr int kRowHeight = 17;
constexpr int kColumnWidths[3] = {40, 261, 61};

void SetCellText(QTableWidget* grid, int tableRow, int column, const QString& text)
{
    QTableWidgetItem* item = grid->item(tableRow, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        grid->setItem(tableRow, column, item);
    }
    if (item->text() != text)
        item->setText(text);
}

} // namespace

QTableWidget* MakePersonGrid(QWidget* parent)
{
    auto* grid = new QTableWidget(MaxPersons, 3, parent);
    NameControl(grid, "tab_FIO", QStringLiteral("Список тестируемых"));
    // The header row stands for the grid's fixed row 0 and stays empty.
    grid->setHorizontalHeaderLabels({QString(), QString(), QString()});
    grid->horizontalHeader()->setFixedHeight(kRowHeight);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setMinimumSectionSize(kRowHeight);
    grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    for (int c = 0; c < 3; ++c)
        grid->setColumnWidth(c, kColumnWidths[c]);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    // The corner button would select every row; the list selects one.
    grid->setCornerButtonEnabled(false);
    if (auto* corner = grid->findChild<QAbstractButton*>())
        NameControl(corner, "tab_FIO_corner", QStringLiteral("Угол таблицы"));
    int width = 2 * grid->frameWidth();
    for (int w : kColumnWidths)
        width += w;
    grid->setMinimumWidth(width + grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    return grid;
}

void ShowPersonList(QTableWidget* grid)
{
    for (int r = 1; r <= MaxPersons; ++r) {
        SetCellText(grid, r - 1, 0, Q(PersonNumberTexts[r]));
        SetCellText(grid, r - 1, 1, Q(ListedNames[r]));
    }
}

int PersonGridRow(const QTableWidget* grid)
{
    const int tableRow = grid->currentRow();
    return tableRow < 0 ? 0 : tableRow + 1;
}

void SetPersonGridRow(QTableWidget* grid, int row)
{
    if (row < 1 || row > MaxPersons) {
        grid->setCurrentCell(-1, -1);
        return;
    }
    grid->setCurrentCell(row - 1, 1);
    grid->scrollToItem(grid->item(row - 1, 1));
}
