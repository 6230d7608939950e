#include "platform/Result.h"

#include <cerrno>
#include <cstring>

namespace velkan::platform {

Error errorFromErrno(int err, const std::string& what) {
    WinError code = WinError::AccessDenied;
    switch (err) {
    case ENOENT: code = WinError::FileNotFound; break;
    case ENOTDIR: code = WinError::PathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: code = WinError::AccessDenied; break;
    case EEXIST: code = WinError::FileExists; break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: code = WinError::DiskFull; break;
    case ENOTEMPTY: code = WinError::DirNotEmpty; break;
    case EIO: code = WinError::WriteFault; break;
    case EINVAL: code = WinError::InvalidParameter; break;
    default: break;
    }
    return Error::of(code, what + ": " + std::strerror(err));
}

} // namespace velkan::platform
