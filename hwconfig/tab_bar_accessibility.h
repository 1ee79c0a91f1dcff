#pragma once

// Qt 6.4 reports every tab of a tab bar to assistive technology with the state of the bar
// itself, so a screen reader announces the hidden page tabs as on screen. This installs,
// for the whole process, an accessible tab bar whose hidden tabs are reported invisible.
void installTabBarAccessibility();
