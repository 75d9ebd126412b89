#include "TemporaryChecksEntry.h"

#include "TADCF.h"
#include "TBLOW_F.h"
#include "TKavrelF.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

// Hands the line over as the adjustment window will: the other check is
// closed (its port with it) before this one is shown, not modally.
void ShowCheck(TPathCheckWindow* check, TPathCheckWindow* other)
{
    if (!check)
        return;
    if (other && other->isVisible())
        other->close();
    check->show();
    check->raise();
    check->activateWindow();
}

} // namespace

void AddTemporaryChecksEntry(TKavrelF* main)
{
    QMenu* menu = main->menuBar()->addMenu(QStringLiteral("Контроль трактов"));
    menu->setObjectName(QStringLiteral("NChecks"));
    QAction* measuring = menu->addAction(QStringLiteral("Контроль  измерительного  тракта"));
    measuring->setObjectName(QStringLiteral("NChecksADC"));
    QAction* blow = menu->addAction(QStringLiteral("Контроль  BLOW_OUT"));
    blow->setObjectName(QStringLiteral("NChecksBlow"));
    QObject::connect(measuring, &QAction::triggered, main, [] { ShowCheck(ADCF, BLOW_F); });
    QObject::connect(blow, &QAction::triggered, main, [] { ShowCheck(BLOW_F, ADCF); });
}
