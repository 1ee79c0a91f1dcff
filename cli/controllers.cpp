#include "controllers.h"

#include "kestrix_protocol.h"
#include "transport.h"

#include <QRegularExpression>

#include <algorithm>

const std::vector<Product> &products()
{
    static const std::vector<Product> list = {{"generic", PRODUCT_ID_GENERIC},
                                              {"joystick", PRODUCT_ID_JOYSTICK},
                                              {"rudder", PRODUCT_ID_RUDDER},
                                              {"wheel", PRODUCT_ID_WHEEL}};
    return list;
}

const Product *productById(unsigned productId)
{
    for (const Product &product : products()) {
        if (product.productId == productId)
            return &product;
    }
    return nullptr;
}

const Product *productByName(const QString &name)
{
    for (const Product &product : products()) {
        if (name == QLatin1String(product.kind))
            return &product;
    }
    unsigned id = 0;
    return parseProductId(name, &id) ? productById(id) : nullptr;
}

bool parseProductId(const QString &text, unsigned *productId)
{
    // Qt's number parsing takes signs and white space too: "0x+59d7" must not name a wheel.
    static const QRegularExpression grammar(QStringLiteral("^(?:0x([0-9a-f]{1,4})|([0-9]{1,5}))$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = grammar.match(text);
    if (!match.hasMatch())
        return false;
    const bool hex = match.capturedLength(1) > 0;
    const unsigned value = match.captured(hex ? 1 : 2).toUInt(nullptr, hex ? 16 : 10);
    if (value > 0xFFFF)
        return false;
    *productId = value;
    return true;
}

QString hex16(unsigned value)
{
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString Controller::label() const
{
    return QStringLiteral("%1 (%2)").arg(QLatin1String(product->kind), hex16(product->productId));
}

Controllers::Controllers() = default;

Controllers::~Controllers()
{
    for (DeviceHandle *handle : handles)
        closeDevice(handle);
    if (running)
        usbExit();
}

bool Controllers::start(QString *error)
{
    // Not usbInit(): its message is for the windows; here the error is the command's.
    const int result = usbBus()->init();
    if (result < 0) {
        *error = QStringLiteral("USB access could not be started (error %1)").arg(result);
        return false;
    }
    running = true;
    return true;
}

Controllers::Presence Controllers::open(const Product &product, Controller *controller)
{
    DeviceHandle *handle = openDevice(KESTRIX_VENDOR_ID, product.productId);
    if (!handle)
        return Presence::Absent;
    handles.push_back(handle);
    controller->product = &product;
    controller->handle = handle;
    unsigned char info[RECEIVE_BUFFER_SIZE] = {};
    if (getReport(handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE) <= DEVICE_INFO_TYPE_OFFSET)
        return Presence::Silent;
    controller->deviceType = info[DEVICE_INFO_TYPE_OFFSET];
    return Presence::Answering;
}
