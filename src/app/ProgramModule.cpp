#include "ProgramModule.h"

#include "CommandLineText.h"

#include <QString>
#include <cstdio>
#include <dlfcn.h>
#include <limits.h>
#include <string>
#include <unistd.h>

namespace {

// The folder of the running executable, from the kernel: neither the current folder nor
// LD_LIBRARY_PATH may choose which code the program runs.
std::string executableDir()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string exe(path, static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

void complain(const std::string& path, const char* why)
{
    const QString text = CommandLineText::ModuleUnloadable.arg(QString::fromLocal8Bit(path),
                                                               QString::fromLocal8Bit(why));
    std::fputs(text.toLocal8Bit().constData(), stderr);
}

} // namespace

namespace ProgramModule {

int run(int argc, char** argv)
{
    const std::string dir = executableDir();
    if (dir.empty()) {
        complain(VOK_PROGRAM_MODULE, "/proc/self/exe");
        return 1;
    }
    // Beside the executable in the build tree and a portable copy; installed, in its own folder
    // under the library folder.
    std::string path = dir + '/' + VOK_PROGRAM_MODULE;
    if (::access(path.c_str(), F_OK) != 0) {
        const std::string installed =
            dir + '/' + VOK_PROGRAM_MODULE_FROM_BIN + '/' + VOK_PROGRAM_MODULE;
        if (::access(installed.c_str(), F_OK) == 0)
            path = installed;
    }
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        complain(path, ::dlerror());
        return 1;
    }
    const auto entry = reinterpret_cast<Entry>(::dlsym(module, EntryName));
    if (!entry) {
        complain(path, ::dlerror());
        return 1;
    }
    // The module stays loaded until the process ends: Qt's exit handlers run its code.
    return entry(argc, argv);
}

} // namespace ProgramModule
