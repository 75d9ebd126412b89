#pragma once
// A temporary way into the two path check windows until the adjustment
// window, which opens them in the finished program, exists: a menu
// "Контроль трактов" at the end of the main window's menu bar. Remove this
// file pair and its one call in Windows.cpp when the adjustment window
// takes over.
class TKavrelF;

void AddTemporaryChecksEntry(TKavrelF* main);
