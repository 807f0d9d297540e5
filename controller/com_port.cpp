#include "controller/com_port.h"

qint16 comPort = 10;
