#pragma once

// Conditions a file write meets on a user's machine, real for the length of a scope.

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

// No file may grow past 0 bytes, and the signal that would end the process is ignored: a
// write fails as on a full disk.
class FullDisk
{
public:
    FullDisk() : previous(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit full = saved;
        full.rlim_cur = 0;
        active = setrlimit(RLIMIT_FSIZE, &full) == 0;
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    bool active = false;

private:
    rlimit saved{};
    void (*previous)(int);
};

constexpr uid_t OTHER_USER = 65534; // nobody

// As root, acts as another user, so that permissions apply as to anyone; else does nothing.
class AsOtherUser
{
public:
    AsOtherUser() { active = !root || (setegid(OTHER_USER) == 0 && seteuid(OTHER_USER) == 0); }
    ~AsOtherUser()
    {
        // A test that went on as the other user would no longer test what it says.
        if (root && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("could not become root again");
    }
    bool active = false;

private:
    const bool root = geteuid() == 0;
};
