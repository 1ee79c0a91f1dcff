#include "autostart.h"

#include "file_writer.h"
#include "program_identity.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

namespace
{

constexpr wchar_t ARGUMENTS[] = L"--hidden";

// COM for as long as the shortcut is made; already there on the window's thread.
class ComScope
{
public:
    ComScope() : result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(result))
            ::CoUninitialize();
    }

private:
    HRESULT result;
};

template <typename T> void release(T *&object)
{
    if (object)
        object->Release();
    object = nullptr;
}

// The system's sentence without its full stop: the message it goes into has its own.
QString systemMessage(int error)
{
    QString text = qt_error_string(error).trimmed();
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

// The shortcut's bytes, as the shell itself stores them.
Outcome shortcut(const ProgramIdentity &program, QByteArray *bytes)
{
    ComScope com;
    IShellLinkW *link = nullptr;
    IPersistStream *persist = nullptr;
    IStream *stream = nullptr;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IShellLinkW, reinterpret_cast<void **>(&link));
    const std::wstring command = QDir::toNativeSeparators(program.command).toStdWString();
    const QString folder = program.workingDirectory.isEmpty()
                               ? QFileInfo(program.command).absolutePath()
                               : program.workingDirectory;
    const std::wstring directory = QDir::toNativeSeparators(folder).toStdWString();
    if (SUCCEEDED(result))
        result = link->SetPath(command.c_str());
    if (SUCCEEDED(result))
        result = link->SetArguments(ARGUMENTS);
    // The program reads its icons and catalogues in the folder it runs in.
    if (SUCCEEDED(result))
        result = link->SetWorkingDirectory(directory.c_str());
    if (SUCCEEDED(result))
        result = link->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist));
    if (SUCCEEDED(result))
        result = ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (SUCCEEDED(result))
        result = persist->Save(stream, TRUE);
    STATSTG status = {};
    if (SUCCEEDED(result))
        result = stream->Stat(&status, STATFLAG_NONAME);
    if (SUCCEEDED(result) && status.cbSize.QuadPart > quint64(1 << 20))
        result = E_UNEXPECTED;
    if (SUCCEEDED(result)) {
        bytes->resize(int(status.cbSize.QuadPart));
        const LARGE_INTEGER origin = {};
        ULONG got = 0;
        result = stream->Seek(origin, STREAM_SEEK_SET, nullptr);
        if (SUCCEEDED(result))
            result = stream->Read(bytes->data(), ULONG(bytes->size()), &got);
        if (SUCCEEDED(result) && got != ULONG(bytes->size()))
            result = E_UNEXPECTED;
    }
    release(stream);
    release(persist);
    release(link);
    return SUCCEEDED(result) ? Outcome() : Outcome::because(systemMessage(int(result)));
}

} // namespace

QString SessionAutostart::defaultPath()
{
    PWSTR startup = nullptr;
    QString folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &startup)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(startup));
    ::CoTaskMemFree(startup);
    if (folder.isEmpty())
        folder = qEnvironmentVariable("APPDATA") +
                 QLatin1String("/Microsoft/Windows/Start Menu/Programs/Startup");
    return folder + QLatin1String("/kestrix-wheelconfig.lnk");
}

bool SessionAutostart::enabled() const
{
    // Any shortcut of that name counts, also one made by hand.
    const DWORD attributes =
        ::GetFileAttributesW(QDir::toNativeSeparators(file).toStdWString().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

QByteArray SessionAutostart::content(const ProgramIdentity &program)
{
    if (program.command.isEmpty() || program.command.contains(QLatin1Char('"')))
        return QByteArray();
    return (QLatin1Char('"') + QDir::toNativeSeparators(program.command) + QLatin1String("\" ") +
            QString::fromWCharArray(ARGUMENTS))
        .toUtf8();
}

Outcome SessionAutostart::enable(const ProgramIdentity &program) const
{
    if (content(program).isEmpty())
        return Outcome::because(QStringLiteral("the program's path can not be written in it"));
    QByteArray bytes;
    const Outcome made = shortcut(program, &bytes);
    if (!made.ok())
        return made;
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return Outcome::failed(Outcome::Problem::NoFolder);
    return writeFileAtomically(file, bytes);
}

Outcome SessionAutostart::disable() const
{
    if (::DeleteFileW(QDir::toNativeSeparators(file).toStdWString().c_str()))
        return Outcome();
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return Outcome();
    return Outcome::because(systemMessage(int(error)));
}
