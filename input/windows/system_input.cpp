#include "input_source.h"

#include <QCoreApplication>

namespace
{

// Windows' own controller input (raw input or HID reports) is not read yet: every
// controller says so, and the simulated controllers keep theirs.
class UnavailableInputProvider final : public InputProvider
{
public:
    InputOpening open(uint16_t) override
    {
        InputOpening opening;
        opening.reason = QCoreApplication::translate(
            "EvdevInput", "live input is available on Linux only for now");
        opening.unsupported = true;
        return opening;
    }
};

} // namespace

InputProvider &systemInputProvider()
{
    static UnavailableInputProvider provider;
    return provider;
}
