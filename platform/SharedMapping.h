// A named block of shared memory that belongs to the current user.
#pragma once

#include <cstddef>
#include <string>

namespace qv
{

class CQVSharedMapping
{
public:
    CQVSharedMapping() = default;
    ~CQVSharedMapping();
    CQVSharedMapping(const CQVSharedMapping&) = delete;
    CQVSharedMapping& operator=(const CQVSharedMapping&) = delete;

    // The system-wide object name for a mapping name: "/NAME.UID" (UID = numeric user id).
    static std::string ObjectName(const std::string& name);

    // Creates (or takes over a stale one of our own) and maps nSize bytes read/write,
    // filled with zeros, mode 0600. False when the object cannot be created, belongs to
    // another user, or cannot be sized or mapped; nothing stays mapped then.
    bool Create(const std::string& name, size_t nSize);

    // Maps an existing object of at least nSize bytes read/write. False when it does not
    // exist, belongs to another user, is smaller, or cannot be mapped.
    bool Open(const std::string& name, size_t nSize);

    // Unmaps and closes; safe to call twice. The object itself stays (see Remove).
    void Unmap();

    // Removes the name from the system (mapped views stay valid until unmapped).
    static bool Remove(const std::string& name);

    void* Data() const { return m_pData; }
    size_t Size() const { return m_nSize; }
    bool IsMapped() const { return m_pData != nullptr; }

private:
    bool MapDescriptor(int fd, size_t nSize);

    void* m_pData = nullptr;
    size_t m_nSize = 0;
};

} // namespace qv
