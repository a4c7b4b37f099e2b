#include "formats/WindowsMediaResults.h"

#include <cerrno>

namespace qv
{

namespace
{

constexpr int32_t FromSystemCode(uint32_t nCode)
{
    return static_cast<int32_t>(0x80070000u | nCode);
}

} // namespace

int32_t ResultFromErrno(int nErrno)
{
    switch (nErrno)
    {
    case ENOENT:
        return FromSystemCode(2);
    case ENOTDIR:
        return FromSystemCode(3);
    case EMFILE:
    case ENFILE:
        return FromSystemCode(4);
    case EACCES:
    case EPERM:
        return FromSystemCode(5);
    case ENOMEM:
        return kQVWmOutOfMemory;
    case EIO:
        return FromSystemCode(30);
    case ENAMETOOLONG:
    case ELOOP:
        return FromSystemCode(206);
    case EFBIG:
        return FromSystemCode(223);
    default:
        return kQVWmFail;
    }
}

} // namespace qv
