#include "compose/CVUserCallback.h"

#include "encode/CQVVideoConverter.h"

namespace qv
{

CVUserCallback::CVUserCallback(int nWidth, int nHeight, double dDuration) : m_dDuration(dDuration)
{
    uint32_t bytes = static_cast<uint32_t>(nWidth > 0 ? nWidth : 0) *
                     static_cast<uint32_t>(nHeight > 0 ? nHeight : 0) * 4u;
    m_header = {40, nWidth, nHeight, 1, 32, 0, bytes, 3780, 3780, 0, 0};
}

int32_t CVUserCallback::Notify(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)
{
    if (m_bCounting && m_pOwner)
        m_pOwner->RecordDelivered(m_nNotified++);
    return 0;
}

} // namespace qv
