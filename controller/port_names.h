#pragma once

#include <QString>
#include <QtGlobal>

// Serial port numbers, as the user types them at the port prompt, and the
// devices they stand for.

// Folder where virtual boards and users put aliases named com<n>
// (<runtime folder>/daywheel/ports).
QString portLinkFolder();

// The device that port number n opens: an alias com<n> in portLinkFolder()
// first; otherwise on Linux 1-32 are /dev/ttyS0-31, 33-64 /dev/ttyUSB0-31 and
// 65-96 /dev/ttyACM0-31; on Windows "COM<n>". Empty when the number names no
// device.
QString portDeviceName(qint16 number);
