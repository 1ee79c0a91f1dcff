#include "games_file.h"

#include <QFile>

#include <windows.h>

GamesFileWatch::Stamp GamesFileWatch::now() const
{
    Stamp stamp;
    const std::wstring name = QFile::decodeName(path).toStdWString();
    // Attributes alone: an editor that holds the file open does not stop the look.
    const HANDLE file = ::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION information;
    if (::GetFileInformationByHandle(file, &information)) {
        stamp.exists = true;
        // 100 ns units, as ns: only a change matters.
        stamp.modified = qint64((quint64(information.ftLastWriteTime.dwHighDateTime) << 32 |
                                 information.ftLastWriteTime.dwLowDateTime) *
                                100);
        stamp.size = qint64(quint64(information.nFileSizeHigh) << 32 | information.nFileSizeLow);
        // A file replaced by another (a save through a temporary file) has another index.
        stamp.inode = quint64(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
    }
    ::CloseHandle(file);
    return stamp;
}
