#pragma once

#include <csignal>

#include <sys/resource.h>

// A full disk, as far as this process can tell: while the object lives, no file the process
// writes grows past `bytes`, and a write beyond that fails (EFBIG) the way one on a full file
// system fails (ENOSPC). Needs no root and touches no real file system.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // else the kernel ends the process
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isActive() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};
