// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form_listing.h"

#include "ui_controller_window.h"
#include "ui_file_window.h"
#include "ui_main_window.h"

#include <QTextStream>

namespace {
template <typename Form>
void list(QTextStream &out)
{
    QWidget window;
    Form().setupUi(&window);
    const QString name = window.objectName();
    out << name << " - 0 0 " << window.width() << ' ' << window.height() << '\n';
    for (const QWidget *control : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect r = control->geometry();
        out << name << '.' << control->objectName() << ' ' << r.x() << ' ' << r.y() << ' ' << r.width()
            << ' ' << r.height() << '\n';
    }
}
}

QString formListing()
{
    QString text;
    QTextStream out(&text);
    list<Ui::MainWindow>(out);
    list<Ui::FileWindow>(out);
    list<Ui::ControllerWindow>(out);
    return text;
}
