#include "input_source.h"

InputSource::InputSource(QObject *parent) : QObject(parent)
{
    rest.setSingleShot(true);
    connect(&rest, &QTimer::timeout, this, [this] {
        watch(true);
        readWaiting();
    });
}

void InputSource::setPace(int milliseconds)
{
    rest.setInterval(std::max(milliseconds, 0));
}

void InputSource::catchUp()
{
    rest.stop();
    watch(true);
    readWaiting();
}

void InputSource::readOver(bool tookReports)
{
    if (!tookReports)
        return; // quiet: nothing runs until the device reports again
    if (rest.interval() > 0) {
        watch(false);
        rest.start();
    }
    emit caughtUp();
}

namespace
{
InputProvider *installedProvider = nullptr;
}

void setInputProvider(InputProvider *provider)
{
    installedProvider = provider;
}

InputProvider *inputProvider()
{
    return installedProvider ? installedProvider : &systemInputProvider();
}

InputOpening openInput(uint16_t productId)
{
    return inputProvider()->open(productId);
}
