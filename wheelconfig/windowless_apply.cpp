#include "windowless_apply.h"

#include "device_sequences.h"
#include "effect_settings_record.h"
#include "mainwindow.h"
#include "profile_store.h"
#include "profile_widget.h"
#include "record_values.h"
#include "wheel_device.h"

#include <cstring>

// The launch form without a running wheelconfig: this process opens the wheel, applies,
// and lets go of it again, without a window and without polling.
WheelReply applyWithoutWindow(const WheelRequest &request)
{
    WheelReply reply;
    unsigned char fields[EFFECT_SETTINGS_RECORD_SIZE];
    const bool isProfile = request.kind == WheelRequest::Kind::ApplyProfile;
    if (isProfile) {
        const ProfileStore::Outcome read = ProfileStore().read(request.profile, fields);
        if (!read.ok()) {
            reply.status = WheelReply::Status::Refused;
            reply.message = ProfileWidget::applyFailure(read);
            return reply;
        }
    } else {
        std::memcpy(fields, request.record.constData(), EFFECT_SETTINGS_RECORD_SIZE);
    }

    // As the window's panel would show them (clamped to its controls) and send them, so that
    // the wheel gets the same bytes from here as from the window.
    const RecordValues shown = readRecordValues(effectSettingsTable(), fields);

    usbInit();
    WheelDevice wheel;
    openIfAbsent(wheel.entry);
    QByteArray previous(EFFECT_SETTINGS_RECORD_SIZE, 0);
    const Outcome done = applyEffectSettings(wheel.entry.handle, [&](unsigned char *record) {
        std::memcpy(previous.data(), record, EFFECT_SETTINGS_RECORD_SIZE);
        writeRecordValues(shown, record);
    });
    closeEntry(wheel.entry);
    usbExit();

    if (done.problem == Outcome::Problem::NoDevice) {
        reply.status = WheelReply::Status::NoWheel;
        reply.message = MainWindow::noWheelText();
    } else if (!done.ok()) {
        reply.status = WheelReply::Status::WheelFailed;
        reply.message = MainWindow::applyRefusedText(isProfile ? request.profile : QString());
    } else if (isProfile) {
        reply.previous = previous;
    }
    return reply;
}

// In the running wheelconfig, so that its window shows it; here when there is none.
WheelReply applyAnywhere(const WheelRequest &request)
{
    const WheelReply reply = sendToWheelInstance(request);
    return reply.status == WheelReply::Status::NoInstance ? applyWithoutWindow(request) : reply;
}
