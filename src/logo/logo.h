// Information area of the main panel: logo, maker's contact lines, name and version.
#pragma once

void ShowLogo(int mode);
void ShowInfoText(int unused, int background, int color, const char* text, int left, int top,
                  int pointSize);
