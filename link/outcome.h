#pragma once

// How anything that a person or a script is told about ended: ok, or the reason. The device
// sequences, the file writer and the readers of files return it; the windows turn it into a
// box or a tray message, kestrix into one line on stderr and its exit code. A single
// transfer's result stays a UsbResult.

#include <QString>

struct Outcome {
    enum class Problem {
        None,
        // A device sequence. Each stops at its first failure and sends nothing after it.
        NoDevice,         // no handle: nothing was sent
        ReadFailed,       // a record or the device information did not come whole
        Changed,          // the settings changed since they were read: nothing was written
        WriteFailed,      // a packet of a write did not go out: the device kept its settings
        CommandFailed,    // a command did not go out
        NotConfirmed,     // still busy when the wait's limit ran out
        StoppedAnswering, // a status read failed while the device stored the settings
        // A file.
        DiskFull,
        NotRegularFile, // a folder, a device, a FIFO or a socket
        SymbolicLink,   // refused by the caller's wish
        PlantedLink,    // another user's link in a shared sticky folder
        AccessDenied,
        ReadOnly,
        NameTooLong,
        NoFolder, // the folder the file would be in is missing
        NotFound,
        Damaged, // shorter than the record it holds
        // A name.
        BadName, // refused; `detail` is the refuser's own code for why
        Failed,  // anything else; systemText says what
        // A request to the running wheelconfig; systemText says why where a peer said it.
        BadRequest,  // not a well-formed request
        Unsupported, // a kind or a version this side does not know
        NoInstance,  // nothing listens
        NoAnswer,    // no reply in time
    };
    Problem problem = Problem::None;
    QString systemText;
    int transfer = 0; // the failing transfer's result: a negative UsbResult, or a short count
    int detail = 0;

    bool ok() const { return problem == Problem::None; }
    // One of a device sequence's problems after the device was there (not NoDevice).
    bool fromDevice() const
    {
        return problem >= Problem::ReadFailed && problem <= Problem::StoppedAnswering;
    }
    // "the disk is full", to follow "... can not be written: ".
    QString reason() const;

    static Outcome failed(Problem problem, int transfer = 0);
    // A reason in words of its own, for what the problems above do not name.
    static Outcome because(const QString &reason);
    // What an error number means to someone who writes or reads a file.
    static Outcome fromError(int error);
};
