#pragma once
// The tool bar's pictures, drawn by the program itself.
#include <QIcon>

namespace Icons {
QIcon FloppyDisk();
QIcon Printer();
QIcon Eraser();
QIcon PeakedChart();
QIcon Door();
}  // namespace Icons
