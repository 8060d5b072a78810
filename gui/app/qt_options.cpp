#include "gui/app/qt_options.h"

#include <array>

namespace {

struct QtOption {
    const char* name;
    const char* value;  // nullptr: a flag
    const char* help;
};

// The options QGuiApplication and QApplication handle on every platform, and those of the
// X11 platform plugin.
constexpr std::array<QtOption, 17> kQtOptions{{
    {"platform", "name[:options]", "QPA plugin to use."},
    {"platformpluginpath", "path", "Path to the platform plugins."},
    {"platformtheme", "theme", "Platform theme to use."},
    {"plugin", "plugin", "Additional plugins to load (repeatable)."},
    {"qwindowgeometry", "geometry", "Geometry of the first window."},
    {"qwindowicon", "icon", "Default window icon."},
    {"qwindowtitle", "title", "Title of the first window."},
    {"reverse", nullptr, "Lays the windows out right to left."},
    {"session", "session", "Restores an earlier session."},
    {"style", "style", "Sets the application GUI style, e.g. Fusion."},
    {"stylesheet", "stylesheet", "Sets the application style sheet."},
    {"widgetcount", nullptr, "Prints the number of widgets left at exit."},
    {"display", "hostname:screen_number", "X11: the display to use."},
    {"geometry", "geometry", "X11: same as -qwindowgeometry."},
    {"title", "title", "X11: same as -qwindowtitle."},
    {"name", "name", "X11: the application name."},
    {"nograb", nullptr, "Never grab the mouse or keyboard."},
}};

// The option named by `argument` ("-style", "--style", "-style=Fusion"), or nullptr.
const QtOption* qtOption(const QString& argument, bool& valueAttached) {
    if (!argument.startsWith(QLatin1Char('-'))) return nullptr;
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    valueAttached = equals >= 0;
    if (valueAttached) name.truncate(equals);
    for (const QtOption& option : kQtOptions) {
        if (name == QLatin1String(option.name)) return &option;
    }
    return nullptr;
}

}  // namespace

QStringList withoutQtOptions(const QStringList& arguments) {
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool valueAttached = false;
        const QtOption* option = i > 0 ? qtOption(arguments[i], valueAttached) : nullptr;
        if (option == nullptr) {
            kept << arguments[i];
        } else if (option->value != nullptr && !valueAttached) {
            ++i;  // its value
        }
    }
    return kept;
}

QString qtOptionsHelp() {
    QString text = QStringLiteral("\nQt options:\n");
    for (const QtOption& option : kQtOptions) {
        QString left = QStringLiteral("  -%1").arg(QLatin1String(option.name));
        if (option.value) left += QStringLiteral(" <%1>").arg(QLatin1String(option.value));
        text += left.leftJustified(35) + QLatin1Char(' ') + QLatin1String(option.help) +
                QLatin1Char('\n');
    }
    return text;
}
