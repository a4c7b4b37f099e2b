#include "formats/CProfileObject.h"

namespace qv
{

int32_t CProfileObject::Retain()
{
    return m_nReferences.fetch_add(1, std::memory_order_relaxed) + 1;
}

int32_t CProfileObject::Release()
{
    const int32_t nLeft = m_nReferences.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (nLeft == 0)
        delete this;
    return nLeft;
}

} // namespace qv
