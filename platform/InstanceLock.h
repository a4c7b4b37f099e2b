// The single-instance lock of the front-end: held for the life of the process.
#pragma once

#include <string>

namespace qv
{

class CQVInstanceLock
{
public:
    CQVInstanceLock() = default;
    ~CQVInstanceLock();
    CQVInstanceLock(const CQVInstanceLock&) = delete;
    CQVInstanceLock& operator=(const CQVInstanceLock&) = delete;

    // "$XDG_RUNTIME_DIR/NAME.lock", or "/tmp/NAME.UID.lock" without a runtime folder.
    static std::string LockPath(const std::string& name);

    // True when this process now holds the lock; false when another process holds it
    // or the lock file cannot be opened.
    bool Acquire(const std::string& name);
    void Release();
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace qv
