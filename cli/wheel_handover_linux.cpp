#include "wheel_handover.h"

#include "wheel_channel.h"

Outcome handToWheelconfig(const Controller &controller, const RecordValues &values,
                          unsigned char *record, bool *handedOver)
{
    writeRecordValues(values, record);
    WheelRequest request;
    request.kind = WheelRequest::Kind::ApplyRecord;
    request.record = QByteArray(reinterpret_cast<const char *>(record), values.table->size);
    request.permanent = true;
    const WheelReply reply = sendToWheelInstance(request);
    using Status = WheelReply::Status;
    *handedOver = reply.status != Status::NoInstance && reply.status != Status::NoWheel;
    const QString because =
        reply.message.isEmpty() ? QString() : QStringLiteral(": ") + reply.message;
    switch (reply.status) {
    case Status::Ok:
    case Status::NoInstance:
    case Status::NoWheel:
        return Outcome();
    case Status::NoAnswer:
        // It may still be busy with the wheel: writing beside it would race it.
        return Outcome::because(QStringLiteral("wheelconfig runs, but did not answer; the "
                                               "effect settings of the %1 were not written")
                                    .arg(controller.label()));
    case Status::WheelFailed:
        return Outcome::because(
            QStringLiteral("wheelconfig could not write the effect settings to the %1%2")
                .arg(controller.label(), because));
    case Status::Refused:
    case Status::BadRequest:
    case Status::Unsupported:
        break;
    }
    return Outcome::because(QStringLiteral("wheelconfig refused the effect settings for the %1%2")
                                .arg(controller.label(), because));
}
