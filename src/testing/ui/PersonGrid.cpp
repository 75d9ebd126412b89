#include "PersonGrid.h"

#include "PersonList.h"
#include "UiKit.h"

#include <QAbstractButton>
#include <QHeaderView>

namespace {

// The grid takes the keyboard focus without making a row current: focus
// alone must not select a person (the selection would overwrite the name
// typed in the edit, and the test would be recorded under another name).
// A row is selected by a click, a double click, or moving the current cell.
class TPersonGridView : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        // With no current row, the view would make the first row current on
        // focus; an explicitly chosen "no current row" stops it doing so.
        if (!currentIndex().isValid())
            setCurrentIndex(QModelIndex());
        QTableWidget::focusInEvent(event);
    }
};

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
    auto* grid = new TPersonGridView(MaxPersons, 3, parent);
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
    // Tab leaves the grid (rows are chosen with the arrow keys), so that a
    // keyboard user can pass through it without choosing a person.
    grid->setTabKeyNavigation(false);
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
