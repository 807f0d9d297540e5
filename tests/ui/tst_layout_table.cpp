// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/click_area.h"
#include "ui/layout_table.h"

#include <QSignalSpy>
#include <QTest>

namespace {
constexpr ControlRow rows[] = {
    {0, ControlKind::Label, "Label1", "Hours", {0, 8, 600, 7}, 3},
    {1, ControlKind::Button, "Command1", "Go", {150, 300, 615, 495}, 2},
    {2, ControlKind::ScrollBar, "HScroll1", "", {960, 5760, 975, 255}, 1, "BEGIN"},
    {3, ControlKind::ClickArea, "Image1", "", {2160, 6120, 495, 615}},
    {4, ControlKind::ClickArea, "Image2", "", {2760, 6120, 495, 615}, 4},
};
constexpr WindowLayout layout{"Form9", "Trial", 5415, 6735, rows};
}

class TstLayoutTable : public QObject
{
    Q_OBJECT
private slots:
    void buildsEachRow_data();
    void buildsEachRow();
    void tabChainAndClickArea();
};

void TstLayoutTable::buildsEachRow_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("pixels");   // 15 twips a pixel, halves rounded up
    QTest::newRow("label") << 0 << "QLabel" << QRect(0, 1, 40, 0);
    QTest::newRow("button") << 1 << "WrapButton" << QRect(10, 20, 41, 33);
    QTest::newRow("scroll bar") << 2 << "FocusScrollBar" << QRect(64, 384, 65, 17);
    QTest::newRow("click area") << 3 << "ClickArea" << QRect(144, 408, 33, 41);
}

void TstLayoutTable::buildsEachRow()
{
    QFETCH(int, role);
    QFETCH(QString, className);
    QFETCH(QRect, pixels);
    QWidget window;
    QWidget *w = buildLayout(&window, layout).get<QWidget>(role);
    QCOMPARE(w->objectName(), QString::fromLatin1(rows[role].objectName));
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QCOMPARE(w->property("text").toString(), QString::fromUtf8(rows[role].caption));
    QCOMPARE(w->geometry(), pixels);
    QCOMPARE(w->accessibleName(), QString::fromUtf8(rows[role].spokenName ? rows[role].spokenName : ""));
    QCOMPARE(window.size(), QSize(361, 449));
}

void TstLayoutTable::tabChainAndClickArea()
{
    QWidget window;
    const Controls made = buildLayout(&window, layout);
    // In tabOrder order, the scroll bar and the label taking focus for their places.
    QWidget *next = made.get<QWidget>(2);
    for (int role : {1, 0}) {
        do
            next = next->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus);
        QCOMPARE(next, made.get<QWidget>(role));
    }
    auto *area = made.get<ClickArea>(3);
    QCOMPARE(area->focusPolicy(), Qt::NoFocus);
    QCOMPARE(made.get<ClickArea>(4)->focusPolicy(), Qt::TabFocus);   // a click leaves the focus alone
    QSignalSpy clicked(area, &ClickArea::clicked);
    QTest::mouseClick(area, Qt::RightButton);   // any mouse button, as on the dial
    QTest::keyClick(area, Qt::Key_Space);
    QCOMPARE(clicked.count(), 2);
}

QTEST_MAIN(TstLayoutTable)
#include "tst_layout_table.moc"
