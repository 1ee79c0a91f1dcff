#include "family.h"

#include "kestrix_protocol.h"

#include <QRegularExpression>
#include <QtGlobal>

const std::vector<Product> &family()
{
    // The display names are translated in hwconfig's window context.
    static const std::vector<Product> products = {
        {"generic", QT_TRANSLATE_NOOP("MainWindow", "Generic"), PRODUCT_ID_GENERIC,
         DEVICE_TYPE_NONE, false, false},
        {"joystick", QT_TRANSLATE_NOOP("MainWindow", "Joystick"), PRODUCT_ID_JOYSTICK,
         DEVICE_TYPE_JOYSTICK, true, false},
        {"rudder", QT_TRANSLATE_NOOP("MainWindow", "Rudder"), PRODUCT_ID_RUDDER,
         DEVICE_TYPE_RUDDER, true, false},
        {"wheel", QT_TRANSLATE_NOOP("MainWindow", "Wheel"), PRODUCT_ID_WHEEL, DEVICE_TYPE_WHEEL,
         true, true},
    };
    return products;
}

const Product *productById(unsigned productId)
{
    for (const Product &product : family()) {
        if (product.productId == productId)
            return &product;
    }
    return nullptr;
}

const Product *productByKind(const QString &kind)
{
    for (const Product &product : family()) {
        if (kind == QLatin1String(product.kind))
            return &product;
    }
    return nullptr;
}

const Product &wheelProduct()
{
    return *productById(PRODUCT_ID_WHEEL);
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
