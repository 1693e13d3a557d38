#pragma once
// While it lives, the process may write files of at most `bytes` (0: no
// limit); a write past that fails (SIGXFSZ ignored) as on a full disk, for
// root too.

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        if (bytes == 0)
            return;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = saved;
        tiny.rlim_cur = bytes;
        ok = setrlimit(RLIMIT_FSIZE, &tiny) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool ok = true;

private:
    rlimit saved{};
};
