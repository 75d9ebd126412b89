#pragma once
// Copies the voltage graph's pixels into an image for the screen.
#include "VoltageGraph.h"

#include <QImage>

QImage GraphImage(const GraphPicture& picture);
