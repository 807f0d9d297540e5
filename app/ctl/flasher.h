// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <functional>

// Writes the firmware to a board through its bootloader with avrdude, which
// reads it back to verify: the Uno's Optiboot (115200 baud) first, then the
// old Nano's bootloader (57600), or the one named. Ends in written() or
// failed().
class Flasher : public QObject
{
    Q_OBJECT
public:
    using Sink = std::function<void(const QByteArray &)>;
    explicit Flasher(Sink out, QObject *parent = nullptr);

    // bootloader: "optiboot", "atmegaboot" or empty for both.
    void start(const QString &device, const QString &firmware, const QString &bootloader);

signals:
    void written();
    void failed(const QString &why);

private:
    void run();
    void ended();

    Sink out;
    QString device, firmware, bootloader;
    QProcess avrdude;
    QList<int> speeds;          // still to try
    QByteArray output;          // what avrdude said, its tail only
    QTimer bound;
    QElapsedTimer took;
    bool over = false;
    bool retried = false;       // once, after the bootloader answered
};
