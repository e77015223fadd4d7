#include "CommandLine.h"

#include "CommandLineText.h"
#include "ExportMode.h"
#include "ImportMode.h"
#include "PrintPdfMode.h"
#include "QueryMode.h"
#include "SyncMode.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

namespace {

using CommandLine::Result;

Result help(const QStringList&)
{
    return {0, CommandLineText::Usage.toUtf8(), {}};
}

struct Mode
{
    const char* option;
    bool drawsText; // needs fonts: a GUI application on the offscreen platform
    Result (*run)(const QStringList& options);
};

// One line per mode; each parses the rest of the arguments itself.
constexpr Mode kModes[] = {
    {"--help", false, help},
    {"--print-pdf", true, PrintPdfMode::run},
    {"--export", false, ExportMode::run},
    {"--import", false, ImportMode::run},
    {"--query", false, QueryMode::run},
    {"--sync", false, SyncMode::run},
    {"--sync-setup", false, SyncMode::setup},
};

const Mode* modeOf(const char* option)
{
    for (const Mode& mode : kModes) {
        if (option && QLatin1String(option) == QLatin1String(mode.option))
            return &mode;
    }
    return nullptr;
}

} // namespace

namespace CommandLine {

bool isCommandLine(const QStringList& arguments)
{
    // "/Startup" and the like start the window; every option of ours starts with "--".
    return arguments.size() > 1 && arguments.at(1).startsWith(QStringLiteral("--"));
}

int run(int argc, char** argv)
{
    const Mode* mode = modeOf(argc > 1 ? argv[1] : nullptr);
    std::unique_ptr<QCoreApplication> app;
    if (mode && mode->drawsText) {
        // Fonts without a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("VOK_Address"));
    QCoreApplication::setOrganizationName(QStringLiteral("VOK System"));
    const Result result = runMode(QCoreApplication::arguments());
    std::fwrite(result.out.constData(), 1, static_cast<std::size_t>(result.out.size()), stdout);
    std::fwrite(result.err.constData(), 1, static_cast<std::size_t>(result.err.size()), stderr);
    return result.status;
}

Result runMode(const QStringList& arguments)
{
    const Mode* mode = modeOf(arguments.value(1).toLocal8Bit().constData());
    if (!mode)
        return {1,
                {},
                (CommandLineText::UnknownOption.arg(arguments.value(1)) + CommandLineText::Usage)
                    .toUtf8()};
    return mode->run(arguments.mid(2));
}

} // namespace CommandLine
