#include "EntryModes.h"

#include "ExportMode.h"
#include "QueryMode.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace {

struct Mode
{
    const char* option;
    CommandLine::Result (*run)(const QStringList& options);
};

// The same functions the module's command line runs, so both give the same answers.
constexpr Mode kModes[] = {
    {"--export", ExportMode::run},
    {"--query", QueryMode::run},
};

const Mode* modeOf(int argc, char** argv)
{
    if (argc < 2)
        return nullptr;
    for (const Mode& mode : kModes) {
        if (std::strcmp(argv[1], mode.option) == 0)
            return &mode;
    }
    return nullptr;
}

} // namespace

namespace EntryModes {

bool handles(int argc, char** argv)
{
    return modeOf(argc, argv) != nullptr;
}

int run(int argc, char** argv)
{
    const Mode* mode = modeOf(argc, argv);
    if (!mode)
        return 1;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("VOK_Address"));
    QCoreApplication::setOrganizationName(QStringLiteral("VOK System"));
    const CommandLine::Result result = mode->run(QCoreApplication::arguments().mid(2));
    std::fwrite(result.out.constData(), 1, static_cast<std::size_t>(result.out.size()), stdout);
    std::fwrite(result.err.constData(), 1, static_cast<std::size_t>(result.err.size()), stderr);
    return result.status;
}

} // namespace EntryModes
