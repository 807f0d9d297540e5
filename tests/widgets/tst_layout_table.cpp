// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/layout_table.h"

#include <QLabel>
#include <QTest>

namespace {
enum Role { Title, Go, Start, Swatch, Dial };

constexpr ControlSpec specs[] = {
    {Title, ControlKind::Label, "Label1", "Hours", {0, 8, 600, 7}},
    {Go, ControlKind::Button, "Command1", "Go", {150, 300, 615, 495}, 2},
    {Start, ControlKind::ScrollBar, "HScroll1", "", {960, 5760, 975, 255}, 1},
    {Swatch, ControlKind::ClickArea, "Image1", "", {2160, 6120, 495, 615}},
    {Dial, ControlKind::Custom, "Picture1", "", {30, 45, 60, 75}, 3},
};
constexpr WindowLayout layout{"Form9", "Trial", 5415, 6735, specs};

QWidget *dialFactory(const ControlSpec &, QWidget *parent)
{
    return new QLabel(QStringLiteral("made by the window"), parent);
}
}

class TstLayoutTable : public QObject
{
    Q_OBJECT
private slots:
    void buildsEachRow_data();
    void buildsEachRow();
    void windowAndTabChain();
};

void TstLayoutTable::buildsEachRow_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("pixels");   // 15 twips a pixel, halves rounded up
    QTest::newRow("label") << int(Title) << "QLabel" << "Hours" << QRect(0, 1, 40, 0);
    QTest::newRow("button") << int(Go) << "WrapButton" << "Go" << QRect(10, 20, 41, 33);
    QTest::newRow("scroll bar") << int(Start) << "QScrollBar" << "" << QRect(64, 384, 65, 17);
    QTest::newRow("click area") << int(Swatch) << "ClickArea" << "" << QRect(144, 408, 33, 41);
    QTest::newRow("custom") << int(Dial) << "QLabel" << "made by the window" << QRect(2, 3, 4, 5);
}

void TstLayoutTable::buildsEachRow()
{
    QFETCH(int, role);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    QFETCH(QRect, pixels);
    QWidget window;
    const Controls made = buildLayout(&window, layout, dialFactory);
    QWidget *w = made.get<QWidget>(role);
    QCOMPARE(w->parent(), &window);
    QCOMPARE(w->objectName(), QString::fromLatin1(specs[role].objectName));
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QCOMPARE(w->property("text").toString(), caption);
    QCOMPARE(w->geometry(), pixels);
}

void TstLayoutTable::windowAndTabChain()
{
    QWidget window;
    const Controls made = buildLayout(&window, layout, dialFactory);
    QCOMPARE(window.objectName(), QStringLiteral("Form9"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Trial"));
    QCOMPARE(window.size(), QSize(361, 449));
    // Back to front in table order.
    QCOMPARE(window.findChildren<QWidget *>().first(), made.get<QWidget>(Title));
    QCOMPARE(window.findChildren<QWidget *>().last(), made.get<QWidget>(Dial));
    // In tabOrder order, the scroll bar and the custom label taking focus for it.
    const auto next = [](QWidget *w) {
        do
            w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus);
        return w;
    };
    QCOMPARE(next(made.get<QWidget>(Start)), made.get<QWidget>(Go));
    QCOMPARE(next(made.get<QWidget>(Go)), made.get<QWidget>(Dial));
    QCOMPARE(made.get<QWidget>(Dial)->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(made.get<QWidget>(Swatch)->focusPolicy(), Qt::NoFocus);

    QCOMPARE(layoutListing(layout).section(u'\n', 0, 2),
             QStringLiteral("Form9 - 0 0 361 449\nForm9.Label1 0 1 40 0\nForm9.Command1 10 20 41 33"));
}

QTEST_MAIN(TstLayoutTable)
#include "tst_layout_table.moc"
