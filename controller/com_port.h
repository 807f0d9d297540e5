#pragma once

#include <QtGlobal>

// The serial port number the controller window opens; reset to 10 by the main
// window's activation, changed by the port prompt.
extern qint16 comPort;
