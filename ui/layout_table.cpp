// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/layout_table.h"

#include "ui/click_area.h"
#include "ui/focus_frame.h"
#include "ui/shape_widget.h"
#include "ui/wrap_button.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextStream>
#include <algorithm>

namespace {
QWidget *create(const ControlRow &row, QWidget *parent, const CustomControlFactory &custom)
{
    const QString caption = QString::fromUtf8(row.caption ? row.caption : "");
    switch (row.kind) {
    case ControlKind::Label:
        return new QLabel(caption, parent);
    case ControlKind::Button: {
        auto *b = new WrapButton(caption, parent);
        // Enter in a text box must not press a button by accident.
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    }
    case ControlKind::ScrollBar:
        return new FocusScrollBar(parent);
    case ControlKind::RadioButton:
        return new QRadioButton(caption, parent);
    case ControlKind::Rectangle:
        return new ShapeWidget(ShapeWidget::Kind::Rectangle, parent);
    case ControlKind::Disc:
        return new ShapeWidget(ShapeWidget::Kind::Disc, parent);
    case ControlKind::ClickArea:
        return new ClickArea(parent);
    case ControlKind::LineEdit:
        return new QLineEdit(caption, parent);
    case ControlKind::TextLog:
        return new QPlainTextEdit(caption, parent);
    case ControlKind::Custom:
        break;
    }
    return custom(row, parent);
}
}

void Controls::add(int role, QWidget *widget)
{
    if (std::size_t(role) >= byRole.size())
        byRole.resize(std::size_t(role) + 1, nullptr);
    byRole[std::size_t(role)] = widget;
}

Controls buildLayout(QWidget *window, const WindowLayout &layout, const CustomControlFactory &custom)
{
    window->setObjectName(QString::fromLatin1(layout.objectName));
    window->setWindowTitle(QString::fromUtf8(layout.title));
    window->resize(layout.pixelSize());

    Controls made;
    std::vector<std::pair<int, QWidget *>> chain;
    for (const ControlRow &row : layout.controls) {
        QWidget *w = create(row, window, custom);
        w->setObjectName(QString::fromLatin1(row.objectName));
        w->setGeometry(row.place.pixels());
        if (row.spokenName)
            w->setAccessibleName(QString::fromUtf8(row.spokenName));
        made.add(row.role, w);
        if (row.tabOrder > 0) {
            // A place in the tab chain means the keyboard reaches it; Qt
            // links only widgets that take focus (a scroll bar does not).
            // A click on a click area leaves the focus where it was.
            if (w->focusPolicy() == Qt::NoFocus)
                w->setFocusPolicy(row.kind == ControlKind::ClickArea ? Qt::TabFocus : Qt::StrongFocus);
            chain.emplace_back(row.tabOrder, w);
        }
    }
    new FocusRing(window);
    std::sort(chain.begin(), chain.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1].second, chain[i].second);
    return made;
}

QString layoutListing(const WindowLayout &layout)
{
    QString text;
    QTextStream out(&text);
    const QSize size = layout.pixelSize();
    out << layout.objectName << " - 0 0 " << size.width() << ' ' << size.height() << '\n';
    for (const ControlRow &row : layout.controls) {
        const QRect r = row.place.pixels();
        out << layout.objectName << '.' << row.objectName << ' ' << r.x() << ' ' << r.y() << ' '
            << r.width() << ' ' << r.height() << '\n';
    }
    return text;
}
