// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"
#include "ui/navigator.h"
#include "ui/workspace.h"
#include "ui/interface_font.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <optional>

namespace {
const char *const description =
    "Paints a 24-hour light schedule on a round dial in quarter-hour steps, saves\n"
    "and loads it as a schedule file (Save and Load in the window) and sends it\n"
    "to the light controller board over a serial line (Send). It takes no file\n"
    "names. Qt's own options (-platform NAME, -style NAME, -reverse, ...) are\n"
    "handed on to Qt.";

// Qt's own options, which QApplication takes out of argv later; known here so
// they are not refused as unknown. The second list takes a value.
const char *const qtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
const char *const qtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                      "qmljsdebugger", "qwindowgeometry", "qwindowicon", "qwindowtitle",
                                      "session", "display", "geometry", "style", "stylesheet"};

int print(std::FILE *to, const QString &text, int status)
{
    std::fputs(text.toLocal8Bit().constData(), to);
    return status;
}

// Before QApplication, which needs a display, so --help, --version and usage
// errors work from any terminal. An exit status when the program is done.
std::optional<int> readCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // Qt's options are single-dash words: -platform is one option, not -p -l ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOptions({help, version});
    for (const char *name : qtFlags) {
        QCommandLineOption option(QString::fromLatin1(name), QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : qtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    const QString tryHelp = QStringLiteral("\nTry 'daywheel --help'.\n");
    if (!parser.parse(arguments))
        return print(stderr, "daywheel: " + parser.errorText() + tryHelp, 2);
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("daywheel"));
        return print(stdout, text, 0);
    }
    if (parser.isSet(version))
        return print(stdout, QStringLiteral("daywheel " DAYWHEEL_VERSION "\n"), 0);
    if (!parser.positionalArguments().isEmpty())
        return print(stderr, "daywheel: unexpected argument '" + parser.positionalArguments().constFirst()
                                 + "' (schedule files are opened with Load)" + tryHelp, 2);
    return std::nullopt;
}

// The windows in the system's language, with Qt's own words (OK, Cancel)
// in the same one; a language without a translation shows the English.
void loadTranslations(QApplication &app)
{
    const auto load = [&app](const QString &name, const QString &folder) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QLocale::system(), name, QStringLiteral("_"), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    };
    load(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    load(QStringLiteral("daywheel"), QStringLiteral(":/i18n"));
}
}

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = readCommandLine(argc, argv))
        return *status;
    QApplication app(argc, argv);
    loadTranslations(app);
    QApplication::setApplicationName(QStringLiteral("Daywheel"));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DAYWHEEL_APP_ID));
    // Only the main window's close ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    useInterfaceFont();

    Workspace workspace;
    MainWindow mainWindow(workspace);
    Navigator navigator(workspace, mainWindow);
    mainWindow.show();
    mainWindow.activateWindow();
    return app.exec();
}
