// The reference-counted base of the profile-description objects. An object starts with
// one reference, held by whoever created it; the last Release deletes it.
#pragma once

#include <atomic>
#include <cstdint>

namespace qv
{

class CProfileObject
{
public:
    CProfileObject() = default;
    CProfileObject(const CProfileObject&) = delete;
    CProfileObject& operator=(const CProfileObject&) = delete;

    // Returns the count after the change. Any thread.
    int32_t Retain();
    // Deletes the object when the count reaches 0 (and returns 0).
    int32_t Release();

protected:
    virtual ~CProfileObject() = default; // only Release deletes

private:
    std::atomic<int32_t> m_nReferences{1};
};

// Holds one reference for a scope.
template <class T> class CQVProfileRef
{
public:
    explicit CQVProfileRef(T* pObject = nullptr) : m_pObject(pObject) {}
    ~CQVProfileRef()
    {
        if (m_pObject != nullptr)
            m_pObject->Release();
    }
    CQVProfileRef(const CQVProfileRef&) = delete;
    CQVProfileRef& operator=(const CQVProfileRef&) = delete;

    T* operator->() const { return m_pObject; }
    T& operator*() const { return *m_pObject; }
    T* Get() const { return m_pObject; }

private:
    T* m_pObject;
};

} // namespace qv
