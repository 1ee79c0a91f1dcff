#pragma once

// The bus that serves until one is installed: each platform's own (link/linux/,
// link/windows/).

class UsbBus;

UsbBus *platformBus();
