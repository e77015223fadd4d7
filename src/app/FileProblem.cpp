#include "FileProblem.h"

#include "AppText.h"

#include <cerrno>
#include <cstring>

namespace FileProblem {

QString reason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return AppText::ReasonNoPermission;
    case EISDIR:
        return AppText::ReasonFolder;
    case EINVAL:
    case ENXIO:
        return AppText::ReasonNotAFile;
    case ENOTDIR:
        return AppText::ReasonFileForFolder;
    case EROFS:
        return AppText::ReasonReadOnly;
    case ENOLCK:
    case EOPNOTSUPP:
    case ENOSYS:
        return AppText::ReasonNoLocks;
    case EIO:
        return AppText::ReasonDisk;
    case ENOSPC:
    case EDQUOT:
        return AppText::ReasonFull;
    case EFBIG:
        return AppText::ReasonTooLarge;
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace FileProblem
