// SPDX-License-Identifier: GPL-3.0-or-later
// Every caption of the three fixed layouts fits its box at 96 dpi with the
// font the program uses, including the longest texts the captions can take,
// in English and in each translation.

#include "ui/main_window.h"
#include "ui/workspace.h"
#include "ui/controller_window.h"
#include "dial/dial_surface.h"
#include "schedule/number_format.h"
#include "ui/file_window.h"
#include "ui/interface_font.h"
#include "ui/wrap_button.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <QTranslator>
#include <QtTest>

namespace {
// What the windows under test share, as the application would hand it to them.
Workspace workspace;
QTranslator translator;

double contrast(QColor a, QColor b)
{
    const auto lum = [](QColor c) {   // relative luminance, as WCAG reckons contrast
        return 0.2126 * std::pow(c.redF(), 2.2) + 0.7152 * std::pow(c.greenF(), 2.2)
            + 0.0722 * std::pow(c.blueF(), 2.2) + 0.05;
    };
    return std::max(lum(a), lum(b)) / std::min(lum(a), lum(b));
}

bool labelFits(const QLabel *label)
{
    const QRect box = label->contentsRect();
    const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
    return box.contains(label->fontMetrics().boundingRect(box, flags, label->text()));
}

// The texts that do not fit, named "window/control: text".
QStringList misfits(const QWidget &window)
{
    QStringList out;
    const QString where = window.objectName() + u'/';
    for (const QLabel *l : window.findChildren<QLabel *>()) {
        // Hidden diagnostics and the empty read-outs of paths and names.
        if (!l->isHidden() && !l->text().isEmpty() && !labelFits(l))
            out << where + l->objectName() + QStringLiteral(": ") + l->text();
    }
    for (const WrapButton *b : window.findChildren<WrapButton *>()) {
        if (!b->captionFits())
            out << where + b->objectName() + QStringLiteral(": ") + b->text();
    }
    // Whatever the desktop's colours and font: text readable (4.5:1), the interface font.
    static const QFont font = interfaceFont();
    for (const QWidget *w : window.findChildren<QWidget *>()) {
        if (contrast(w->palette().color(w->foregroundRole()), w->palette().color(w->backgroundRole())) < 4.5
            || w->font() != font)
            out << where + w->objectName() + QStringLiteral(": unreadable");
    }
    return out;
}

// The controls the keyboard reaches that a screen reader could not name.
QStringList unnamed(const QWidget &window)
{
    QStringList out;
    for (QWidget *w : window.findChildren<QWidget *>()) {
        if (w->focusPolicy() != Qt::NoFocus && w->parentWidget() == &window
            && QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).trimmed().isEmpty())
            out << window.objectName() + u'/' + w->objectName();
    }
    return out;
}

// Every caption the clock label can show in a year, its digits made the
// widest digit, so any time and any year fit if these do.
QStringList clockCaptions(const QFontMetrics &metrics)
{
    QChar widest = u'0';
    for (QChar d = u'0'; d <= u'9'; d = QChar(d.unicode() + 1)) {
        if (metrics.horizontalAdvance(d) > metrics.horizontalAdvance(widest))
            widest = d;
    }
    QStringList out;
    for (QDate day(2028, 1, 1); day.year() == 2028; day = day.addDays(1)) {
        QString caption = dialCaption(QDateTime(day, QTime(0, 0)));
        for (QChar &c : caption) {
            if (c.isDigit())
                c = widest;
        }
        out << caption;
    }
    return out;
}
}

class TstCaptions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data();
    void initTestCase();
    void init();
    void fixedCaptions();
    void changingCaptions();
};

void TstCaptions::initTestCase()
{
    QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 96.0);
    QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("Liberation Sans Narrow"));
    QCoreApplication::installTranslator(&translator);
}

void TstCaptions::initTestCase_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("en") << QStringLiteral("en");
    QTest::newRow("de") << QStringLiteral("de");
}

// The windows' words and dates in the row's language, as the program loads them.
void TstCaptions::init()
{
    QFETCH_GLOBAL(QString, language);
    QLocale::setDefault(QLocale(language));
    QCOMPARE(translator.load(QLocale(language), QStringLiteral("daywheel"), QStringLiteral("_"), QStringLiteral(":/i18n")),
             language != QLatin1String("en"));
}

void TstCaptions::fixedCaptions()
{
    // A dark desktop palette before the windows exist, a font of its own after.
    QApplication::setPalette(QPalette(QColor(53, 53, 53)));
    MainWindow mainWindow(workspace);
    FileWindow fileWindow(workspace, &mainWindow);
    ControllerWindow controllerWindow(workspace, &mainWindow);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 11, QFont::Bold));
    QCoreApplication::sendPostedEvents();   // the font reaches the widgets
    QCOMPARE(misfits(mainWindow) + misfits(fileWindow) + misfits(controllerWindow), QStringList());
    QCOMPARE(unnamed(mainWindow) + unnamed(fileWindow) + unnamed(controllerWindow), QStringList());
}

void TstCaptions::changingCaptions()
{
    MainWindow mainWindow(workspace);
    ControllerWindow controllerWindow(workspace, &mainWindow);
    QStringList wrong;
    const auto check = [&](QWidget &window, const char *name, const QStringList &texts) {
        QWidget *control = window.findChild<QWidget *>(QLatin1String(name));
        QVERIFY(control);
        for (const QString &text : texts) {
            if (auto *l = qobject_cast<QLabel *>(control))
                l->setText(text);
            else
                qobject_cast<WrapButton *>(control)->setText(text);
            wrong += misfits(window);
        }
    };
    QStringList boundaries, clockTexts;
    for (int b = 0; b <= 95; ++b)
        boundaries << boundaryLabelText(b);
    for (int minute = 0; minute < 24 * 60; ++minute)
        clockTexts << QTime(0, 0).addSecs(minute * 60).toString(QStringLiteral("hh:mm"));

    check(mainWindow, "clockCaption", clockCaptions(mainWindow.findChild<QLabel *>("clockCaption")->fontMetrics()));
    check(mainWindow, "startLabel", boundaries);
    check(mainWindow, "endLabel", boundaries);
    check(mainWindow, "setButton", {MainWindow::tr("UNSET")});
    check(mainWindow, "lockButton", {MainWindow::tr("un- lock"), MainWindow::tr("lock")});
    check(controllerWindow, "clockLabel", clockTexts);
    wrong.removeDuplicates();
    QCOMPARE(wrong, QStringList());
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useInterfaceFont();
    TstCaptions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_captions.moc"
