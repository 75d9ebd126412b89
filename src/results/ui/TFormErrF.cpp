#include "TFormErrF.h"

#include "Text.h"
#include "UiKit.h"

#include <QEvent>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

TFormErrF* FormErrF = nullptr;

namespace {

constexpr int kColumnWidth = 110;
constexpr int kRowHeight = 24;

} // namespace

TFormErrF::TFormErrF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormErrF"));
    setWindowTitle(QStringLiteral("Ошибка  ввода  данных"));
    // Shown with show() from windows that are themselves modal: only a
    // modal window shown later takes input above them.
    setWindowModality(Qt::ApplicationModal);
    // The caller's grid stays as typed while this window is in front.
    MarkPassingWindow(this);

    Memo1 = new QPlainTextEdit(this);
    NameControl(Memo1, "Memo1", QStringLiteral("Предупреждение"));
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setPlainText(QStringLiteral("ВНИМАНИЕ!  Недопустимые  данные.\n"
                                       "Рекомендуется  проконтролировать\n"
                                       "введенные  значения."));
    // Red bold text on cream.
    Memo1->setStyleSheet(QStringLiteral("QPlainTextEdit { color: #FF0000; background: #FFFBF0; font-weight: bold; }"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont bold = Memo1->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int textWidth = 0;
    for (const QString& line : Memo1->toPlainText().split(QLatin1Char('\n')))
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    const int margins = 2 * (Memo1->frameWidth() + static_cast<int>(Memo1->document()->documentMargin())) + 8;
    Memo1->setFixedSize(textWidth + margins, metrics.lineSpacing() * 3 + margins);

    GridBaza = new QTableWidget(SensorPointCount, 2, this);
    NameControl(GridBaza, "GridBaza", QStringLiteral("Введенные точки"));
    GridBaza->horizontalHeader()->hide();
    GridBaza->verticalHeader()->hide();
    GridBaza->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridBaza->setSelectionMode(QAbstractItemView::NoSelection);
    GridBaza->setFocusPolicy(Qt::NoFocus);
    // The longest label has to fit the 110-pixel column whole.
    QFont labels = GridBaza->font();
    while (labels.pointSizeF() > 6 &&
           QFontMetrics(labels).horizontalAdvance(QString::fromUtf8(SensorPointLabels[0])) > kColumnWidth - 10)
        labels.setPointSizeF(labels.pointSizeF() - 0.5);
    GridBaza->setFont(labels);
    GridBaza->setTextElideMode(Qt::ElideNone);
    GridBaza->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GridBaza->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int c = 0; c < 2; ++c)
        GridBaza->setColumnWidth(c, kColumnWidth);
    for (int r = 0; r < SensorPointCount; ++r) {
        GridBaza->setRowHeight(r, kRowHeight);
        for (int c = 0; c < 2; ++c)
            GridBaza->setItem(r, c, new QTableWidgetItem);
    }
    const int frame = 2 * GridBaza->frameWidth();
    GridBaza->setFixedSize(2 * kColumnWidth + frame, SensorPointCount * kRowHeight + frame);
    // Column 1 holds numbers padded to 6 characters; a fixed pitch keeps them aligned.
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    for (int r = 0; r < SensorPointCount; ++r)
        GridBaza->item(r, 1)->setFont(mono);

    Button1 = new QPushButton(QStringLiteral("ПОВТОРНЫЙ  ВВОД"), this);
    NameControl(Button1, "Button1", Button1->text());
    connect(Button1, &QPushButton::clicked, this, &TFormErrF::Button1Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    layout->addWidget(GridBaza, 0, Qt::AlignHCenter);
    layout->addWidget(Button1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TFormErrF::event(QEvent* e)
{
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return handled;
}

void TFormErrF::FormActivate()
{
    for (int r = 0; r < SensorPointCount; ++r) {
        GridBaza->item(r, 0)->setText(QString::fromUtf8(SensorPointLabels[r]));
        GridBaza->item(r, 1)->setText(Q(FormatInt(EnteredPoints[r], 6)));
    }
}

void TFormErrF::Button1Click()
{
    close();
}

void ShowInputError(const SensorPointTable& points)
{
    if (!FormErrF)
        return;
    FormErrF->EnteredPoints = points;
    FormErrF->FormActivate(); // refreshed also when it is already shown
    FormErrF->show();
    FormErrF->raise();
    FormErrF->activateWindow();
}
