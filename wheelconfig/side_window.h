#pragma once

// The windows beside the main one that the tray menu, a start's option and the channel
// open, each made when first asked for.
enum class SideWindow { Games, Input };
