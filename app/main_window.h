#pragma once

#include "dial/dial_surface.h"
#include "schedule/day_table.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;
class ClickArea;
class ShapeWidget;

// The main window: the dial, its editing controls and the live clock.
struct Workspace;

class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(Workspace &workspace, QWidget *parent = nullptr);

    // Repaints the caption, the centre indicator and the whole dial over what
    // is already drawn; never clears.
    void display();

    // One tick of the live clock (Timer1 calls it every second).
    void timerTick();

    // Sets up the window's state and redraws; runs when the window first
    // shows and whenever it becomes active again after another of the
    // program's windows was active.
    void activation();

    // The editing state, read by tests and the diagnostic readouts.
    struct State {
        SlotIndex startSlot, endSlot, rangeFrom, rangeTo, slotCursor;
        qint16 paintValue, locked, lightNow, tickCount;
    };
    State state() const;
    const DialSurface &surface() const { return dial; }

    // Pointer handling in device-independent pixels of the client area.
    void pointerPress(QPointF pixels);
    void pointerRelease(QPointF pixels);

signals:
    void saveRequested();
    void loadRequested();
    void sendRequested();
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void connectControls();
    void focusWindowChanged(QWindow *window);

    void clearAllClicked();
    void startScrolled(int value);
    void endScrolled(int value);
    void paintOffClicked();
    void paintOnClicked();
    void setClicked();
    void lockClicked();

    Workspace &workspace;
    DialSurface dial;

    SlotIndex startSlot = 0;
    SlotIndex endSlot = 0;
    SlotIndex rangeFrom = 0;
    SlotIndex rangeTo = 0;
    SlotIndex slotCursor = 0;
    qint16 paintValue = 0;
    qint16 locked = 0;
    qint16 lightNow = 0;
    qint16 tickCount = 0;

    bool started = false;
    QWindow *lastProgramWindow = nullptr;

    QLabel *label1, *label2, *label3, *label4, *label5, *label6, *label7, *label8, *label9;
    QLabel *label10, *label11;
    QPushButton *command1, *command2, *command3, *command4, *command5, *command6;
    QScrollBar *hScroll1, *hScroll2;
    ShapeWidget *shape1, *shape2, *shape3;
    ClickArea *image1, *image2;
    QRadioButton *option1, *option2;
    QButtonGroup *optionGroup;
    QTimer *timer1;
};
