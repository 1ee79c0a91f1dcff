#include "games_file.h"

#include <sys/stat.h>

GamesFileWatch::Stamp GamesFileWatch::now() const
{
    Stamp stamp;
    struct stat status;
    if (::stat(path.constData(), &status) != 0)
        return stamp;
    stamp.exists = true;
    stamp.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.size = status.st_size;
    stamp.inode = status.st_ino;
    return stamp;
}
