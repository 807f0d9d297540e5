// SPDX-License-Identifier: GPL-3.0-or-later
// Drives a controller window in tests: answers its port prompt, starts it
// and clicks its buttons, each time waiting for the window to finish.
#pragma once

#include "board/board_link.h"
#include "ui/controller_window.h"

#include <QApplication>
#include <QInputDialog>
#include <QPushButton>
#include <QSerialPort>
#include <QtTest>

namespace {
// Answers the port prompt whenever it comes up: records its title and
// label, then types the next answer and presses OK, or presses Cancel when
// no answers are left.
class PromptAnswerer : public QObject
{
public:
    explicit PromptAnswerer(QStringList replies) : answers(std::move(replies)) { qApp->installEventFilter(this); }
    QStringList titles, labels;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QInputDialog *>(watched);
        if (!dialog || event->type() != QEvent::Show)
            return false;
        titles << dialog->windowTitle();
        labels << dialog->labelText();
        QMetaObject::invokeMethod(dialog, [this, dialog] {
            if (answers.isEmpty())
                return dialog->reject();
            dialog->setTextValue(answers.takeFirst());
            dialog->accept();
        }, Qt::QueuedConnection);
        return false;
    }

private:
    QStringList answers;
};

QDateTime at(int h, int m, int s)
{
    return QDateTime(QDate(2024, 5, 6), QTime(h, m, s));
}

// Makes port 10 one that cannot be opened, whatever devices this machine has.
struct MissingPort
{
    explicit MissingPort(int port)
        : alias(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                + QStringLiteral("/daywheel/ports/com%1").arg(port))
    {
        QDir().mkpath(QFileInfo(alias).path());
        QFile::link(QStringLiteral("/nonexistent/board"), alias);
    }
    ~MissingPort() { QFile::remove(alias); }
    QString alias;
};

bool portIsFree(const QString &device)
{
    QSerialPort probe(device);
    const bool free = probe.open(QIODevice::ReadWrite);
    probe.close();
    return free;
}

// Starts the window and waits until it is ready (true) or gave up (false).
bool startAndWait(ControllerWindow *window)
{
    QSignalSpy ready(window, &ControllerWindow::ready);
    QSignalSpy gaveUp(window, &ControllerWindow::gaveUp);
    window->start();
    (void)QTest::qWaitFor([&] { return !ready.isEmpty() || !gaveUp.isEmpty(); }, 60000);
    return !ready.isEmpty();
}

// Waits until the window's exchanges, the one running and those waiting, are done.
bool waitIdle(ControllerWindow *window)
{
    auto *link = window->findChild<BoardLink *>();
    QSignalSpy idle(link, &BoardLink::idle);
    return !window->isBusy() || idle.wait(30000);
}

// Clicks a button as the user would and waits for what it set off.
bool clickAndWait(ControllerWindow *window, const char *button)
{
    auto *link = window->findChild<BoardLink *>();
    QSignalSpy idle(link, &BoardLink::idle);
    QTest::mouseClick(window->findChild<QPushButton *>(button), Qt::LeftButton);
    return !idle.isEmpty() || idle.wait(30000);
}
}
