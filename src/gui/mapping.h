// Internals of the panel mapping, shared with its tests.
#pragma once

#include "com232/com232.h"

// Corrects the out-of-range words of a layout in place, as the write operation of that
// layout does before it shows them.
void CorrectLayoutWords(Layout layout);
