#pragma once
// The instrument's readings on screen, shared by the online test window and
// the adjustment window: the three readouts, the voltage graph with its
// scale, and the 240 × 150 picture. The texts, colours and pixels come from
// the readings logic (Readings.h, VoltageGraph.h).
#include "Readings.h"
#include "VoltageGraph.h"

#include <QString>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QWidget;

// A read-only readout edit: bold, right-aligned, `pointSize` points.
QLineEdit* MakeReadout(QWidget* parent, const char* name, const QString& text, const QString& role, int pointSize);

// The graph's row: the scale ("5000" at the top row, then "4000" .. "1000"
// every 30 pixels) and the 240 × 150 image beside it; the image and the five
// scale labels are returned.
QHBoxLayout* MakeGraphRow(QWidget* parent, const char* imageName, QLabel*& image, QLabel* (&labels)[5],
                          const char* const (&names)[5]);

// The label that shows the sensor voltage in mV: bold fixed-width digits.
QLabel* MakeVoltageLabel(QWidget* parent, const char* name);

// The readouts of one mode display (what it leaves unchanged stays): the
// promille colour is set before its text.
void ShowReadouts(const ModeDisplay& d, QLineEdit* air, QLineEdit* promille, QLabel* promille100);

// The picture into the graph's label.
void ShowGraphPicture(QLabel* image, const GraphPicture& picture);
