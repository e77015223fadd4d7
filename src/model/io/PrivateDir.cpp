#include "PrivateDir.h"

#include <cerrno>
#include <sys/stat.h>

namespace PrivateDir {

bool create(const std::string& path)
{
    if (path.empty())
        return false;
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    // Each missing part from the top down, so none is ever more open than 0700.
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool createFor(const std::string& filePath)
{
    const auto slash = filePath.rfind('/');
    return slash == std::string::npos || slash == 0 || create(filePath.substr(0, slash));
}

} // namespace PrivateDir
