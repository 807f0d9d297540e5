// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ctl/flasher.h"

#include <chrono>

namespace {
// avrdude's bounds: a 32 KiB image takes about 12 s at 57600 baud; what it
// says is kept to its last 16 KiB.
constexpr std::chrono::seconds avrdudeTimeBound{120};
constexpr qsizetype avrdudeOutputBound = 16 * 1024;
}

Flasher::Flasher(Sink o, QObject *parent) : QObject(parent), out(std::move(o))
{
    bound.setSingleShot(true);
    connect(&bound, &QTimer::timeout, this, [this] {
        over = true;
        avrdude.kill();
        emit failed(QStringLiteral("avrdude gave no result within %1 s").arg(avrdudeTimeBound.count()));
    });
    avrdude.setProcessChannelMode(QProcess::MergedChannels);
    connect(&avrdude, &QProcess::readyRead, this, [this] {
        output += avrdude.readAll();
        if (output.size() > avrdudeOutputBound)
            output.remove(0, output.size() - avrdudeOutputBound);
    });
    connect(&avrdude, &QProcess::finished, this, &Flasher::ended);
    connect(&avrdude, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart && !over) {
            over = true;
            emit failed(QStringLiteral("avrdude did not start: ") + avrdude.errorString());
        }
    });
}

void Flasher::start(const QString &device_, const QString &firmware_, const QString &bootloader_)
{
    device = device_;
    firmware = firmware_;
    bootloader = bootloader_;
    speeds = bootloader == QLatin1String("atmegaboot") ? QList<int>{57600}
           : bootloader == QLatin1String("optiboot")   ? QList<int>{115200}
                                                        : QList<int>{115200, 57600};
    out(QStringLiteral("writing %1 to %2 with avrdude\n").arg(firmware, device).toLocal8Bit());
    took.start();
    run();
}

void Flasher::run()
{
    output.clear();
    bound.start(avrdudeTimeBound);
    out(speeds.first() == 57600 ? QByteArrayLiteral("trying the old Nano's bootloader (ATmegaBOOT) at 57600 baud\n")
                                : QByteArrayLiteral("trying the Uno's bootloader (Optiboot) at 115200 baud\n"));
    // -c arduino resets the board (DTR) and talks to its bootloader; the
    // written image is read back and compared. Three tries per speed: a
    // bootloader at another speed never answers.
    avrdude.start(QStringLiteral("avrdude"),
                  {QStringLiteral("-p"), QStringLiteral("atmega328p"), QStringLiteral("-c"), QStringLiteral("arduino"),
                   QStringLiteral("-P"), device, QStringLiteral("-b"), QString::number(speeds.first()),
                   QStringLiteral("-x"), QStringLiteral("attempts=3"),
                   QStringLiteral("-U"), QStringLiteral("flash:w:%1:i").arg(firmware)});
}

void Flasher::ended()
{
    bound.stop();
    if (over)
        return;
    output += avrdude.readAll();
    const int baud = speeds.takeFirst();
    if (avrdude.exitStatus() == QProcess::NormalExit && avrdude.exitCode() == 0) {
        out(QStringLiteral("written and verified at %2 baud; the whole run took %1 s\n")
                .arg(took.elapsed() / 1000.0, 0, 'f', 1).arg(baud).toLocal8Bit());
        over = true;
        emit written();
        return;
    }
    // A bootloader at another speed answers nothing or garbage, which may
    // even pass for a sync byte: avrdude then never reads the chip's
    // signature.
    const bool answered = output.contains("device signature = 0x1e950f");
    const bool noAnswer = !answered && (output.contains("sync") || output.contains("not responding") ||
                                        output.contains("device signature"));
    if (noAnswer && !speeds.isEmpty()) {
        run();
        return;
    }
    // avrdude's own last error line, cut short
    QByteArray why = "avrdude ended with status " + QByteArray::number(avrdude.exitCode());
    for (const QByteArray &line : output.split('\n'))
        if (line.contains("avrdude error"))
            why = line.trimmed().left(160);
    // The bootloader answered and then lost the thread: the old Nano's gives
    // up after a second without a byte, which a busy host can cause. Once
    // more from the start, as a user would.
    if (answered && !retried) {
        retried = true;
        out(QStringLiteral("writing failed at %1 baud (%2); trying once more\n")
                .arg(baud).arg(QString::fromLocal8Bit(why)).toLocal8Bit());
        speeds.prepend(baud);
        run();
        return;
    }
    over = true;
    if (noAnswer) {
        emit failed(bootloader.isEmpty()
                        ? QStringLiteral("no bootloader answered at 115200 or 57600 baud: is it an Uno or Nano, "
                                         "and does another program hold the port?")
                        : QStringLiteral("no bootloader answered at %1 baud (--bootloader %2): try without --bootloader")
                              .arg(baud).arg(bootloader));
        return;
    }
    emit failed(QStringLiteral("writing failed: ") + QString::fromLocal8Bit(why));
}
