// Colours of the panels, graphs and indicators: 24-bit RGB numbers.
#pragma once

constexpr int COLOR_RED = 0xFF0000;
constexpr int COLOR_DARK_GREEN = 0x008000;
constexpr int COLOR_GREEN = 0x00FF00;
constexpr int COLOR_BLACK = 0x000000;
constexpr int COLOR_WHITE = 0xFFFFFF;
constexpr int COLOR_GREY = 0xA0A0A0;        // idle bar graph, finished progress bar
constexpr int COLOR_LIGHT_GREY = 0xE0E0E0;  // recorder status box at rest
constexpr int COLOR_INFO_BLUE = 0x0080FF;   // information area
