#pragma once

#include <QRect>
#include <QString>
#include <QtMath>

// Layout positions come in twips; one device-independent pixel is 15 twips.
constexpr int pixelsFromTwips(int twips)
{
    return (twips + 7) / 15;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width),
                 pixelsFromTwips(height));
}

inline QSize twipsSize(int width, int height)
{
    return QSize(pixelsFromTwips(width), pixelsFromTwips(height));
}

// Names a control as the layout does (tests find controls by these names)
// and puts it at its place.
template <typename W>
W *place(W *widget, const char *name, QRect geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}
