#include "Characteristic.h"

std::array<int, DataSenSize> Data_Sen{};
SensorPointTable SensorPoints{};
