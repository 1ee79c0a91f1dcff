#include "input_source.h"

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
