#include "gui/app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "gui/app/qt_options.h"

CommandLineResult parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Varenthal Evaluation Software"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption adapter(
        QStringLiteral("adapter"),
        QStringLiteral("The USB-to-I2C means: sim (built-in simulator), i2c-dev (first USB "
                       "I2C bus, else the first CP2112 or MCP2221 without its kernel driver; "
                       "the default), hid (the first CP2112 or MCP2221 through its HID "
                       "reports), hid:SERIAL or hid:PATH (that one), or a bus as 3, i2c-3, "
                       "/dev/i2c-3 or the adapter's name."),
        QStringLiteral("sim|i2c-dev|hid|hid:SERIAL|/dev/i2c-N"), QStringLiteral("i2c-dev"));
    const QCommandLineOption pulseGpio(
        QStringLiteral("pulse-gpio"),
        QStringLiteral("GPIO line that switches the EEPROM programming voltage, e.g. "
                       "gpiochip0:5, or hid:N, pin N of the USB bridge."),
        QStringLiteral("CHIP:LINE|hid:N"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write one line per adapter call to FILE."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption simFault(
        QStringLiteral("sim-fault"),
        QStringLiteral("Simulator: set a fault condition at start (repeatable)."),
        QStringLiteral("NAME"));
    const QCommandLineOption simState(
        QStringLiteral("sim-state"),
        QStringLiteral("Simulator: keep the simulated EEPROM in FILE across runs."),
        QStringLiteral("FILE"));
    const QCommandLineOption simScenario(
        QStringLiteral("sim-scenario"),
        QStringLiteral("Simulator: play faults over time from FILE, one 't_ms name on|off' a "
                       "line."),
        QStringLiteral("FILE"));
    parser.addOptions({adapter, pulseGpio, trace, simFault, simState, simScenario});

    CommandLineResult result;
    auto fail = [&](const QString& text) {
        std::fprintf(stderr, "varenthal: %s\n", qPrintable(text));
        result.exitCode = 2;
        return result;
    };
    // Qt's own options are QApplication's to take.
    if (!parser.parse(withoutQtOptions(arguments))) return fail(parser.errorText());
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (parser.isSet(help) || helpAll) {
        QString text = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                 QStringLiteral("varenthal"));
        if (helpAll) text += qtOptionsHelp();
        std::fputs(qPrintable(text), stdout);
        return result;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return fail(QStringLiteral("unexpected argument '%1'")
                        .arg(parser.positionalArguments().constFirst()));
    }

    if (parser.isSet(trace) && parser.value(trace).isEmpty()) {
        return fail(QStringLiteral("--trace needs a file name"));
    }

    AdapterOptions options;
    options.adapter = parser.value(adapter).toStdString();
    options.pulseGpio = parser.value(pulseGpio).toStdString();
    options.traceFile = parser.value(trace).toStdString();
    for (const QString& f : parser.values(simFault)) options.simFaults.push_back(f.toStdString());
    options.simState = parser.value(simState).toStdString();
    options.simScenario = parser.value(simScenario).toStdString();
    if (const std::string why = resolveAdapterName(options.adapter); !why.empty()) {
        return fail(QString::fromStdString(why));
    }
    if (const std::string why = checkAdapterOptions(options); !why.empty()) {
        return fail(QString::fromStdString(why));
    }
    result.options = options;
    return result;
}
