#pragma once

// Conditions a file write meets on a user's machine, made real for the length of a scope.

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

// No file may grow past 0 bytes: a full disk. The signal that would end the process is
// ignored, so a write fails as it does on a full disk.
class FullDisk
{
public:
    FullDisk()
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit full = saved;
        full.rlim_cur = 0;
        active = setrlimit(RLIMIT_FSIZE, &full) == 0;
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    bool isActive() const { return active; }

private:
    rlimit saved{};
    void (*previous)(int) = SIG_DFL;
    bool active = false;
};

// The user nobody, by its usual id.
constexpr uid_t OTHER_USER = 65534;

// As root, acts as another user (permissions and ownership then apply as to anyone);
// otherwise does nothing.
class AsOtherUser
{
public:
    AsOtherUser()
    {
        if (switched)
            active = setegid(OTHER_USER) == 0 && seteuid(OTHER_USER) == 0;
    }
    ~AsOtherUser()
    {
        if (switched && seteuid(0) == 0)
            (void)setegid(0);
    }
    // False as root when the switch failed: the row would then test nothing.
    bool isActive() const { return active; }

private:
    const bool switched = geteuid() == 0;
    bool active = true;
};
