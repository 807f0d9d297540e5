// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <span>
#include <vector>

class QWidget;

// Layout positions and sizes come in twips; one device-independent pixel is
// 15 twips. The one place that rule lives.
constexpr int pixelsFromTwips(int twips)
{
    return (twips + 7) / 15;
}

struct TwipsRect
{
    int left = 0, top = 0, width = 0, height = 0;
    QRect pixels() const
    {
        return QRect(pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width),
                     pixelsFromTwips(height));
    }
};

enum class ControlKind {
    Label,        // QLabel
    Button,       // WrapButton, never a default button
    ScrollBar,    // horizontal QScrollBar
    RadioButton,  // QRadioButton
    Rectangle,    // ShapeWidget, rectangle
    Disc,         // ShapeWidget, disc
    ClickArea,    // ClickArea
    LineEdit,     // QLineEdit
    TextLog,      // QPlainTextEdit
    Custom,       // made by the window's own factory
};

// One control of a window: what it is for (the window's own role number),
// its kind, the name tests and automation find it by, its first caption, its
// place, its place in the tab chain (1, 2, ...; 0 when it has none), and the
// name a screen reader says for a control whose caption does not name it.
struct ControlRow
{
    int role;
    ControlKind kind;
    const char *objectName;
    const char *caption;   // UTF-8
    TwipsRect place;
    int tabOrder = 0;
    const char *spokenName = nullptr;   // UTF-8; none: the caption, as it changes
};

// A whole window: its name, title, client size in twips and its controls,
// back to front (each one lies above those before it).
struct WindowLayout
{
    const char *objectName;
    const char *title;
    int widthTwips;
    int heightTwips;
    std::span<const ControlRow> controls;

    QSize pixelSize() const { return QSize(pixelsFromTwips(widthTwips), pixelsFromTwips(heightTwips)); }
};

// The controls buildLayout() made, by role.
class Controls
{
public:
    template <typename T, typename Role>
    T *get(Role role) const
    {
        return static_cast<T *>(byRole.at(std::size_t(role)));
    }
    void add(int role, QWidget *widget);

private:
    std::vector<QWidget *> byRole;
};

using CustomControlFactory = std::function<QWidget *(const ControlRow &, QWidget *parent)>;

// Gives the window its name, title and size, creates every control of the
// layout on it back to front, names, captions and places each, gives each its
// spoken name, adds the window's FocusRing, and links the tab chain in
// tabOrder order (a control in it takes focus from the keyboard).
Controls buildLayout(QWidget *window, const WindowLayout &layout,
                     const CustomControlFactory &custom = {});

// "Window.Control x y width height" in pixels, one line per control, and a
// first line "Window - 0 0 width height" for the window itself: what
// automation reads to know where each control is.
QString layoutListing(const WindowLayout &layout);
