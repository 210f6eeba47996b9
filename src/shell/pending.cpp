// Temporary placeholders so the program links while the modules are being written.
// Each line goes when its function is implemented; this file is deleted at the end.
#include "com232/com232.h"
#include "display/display.h"
#include "files/files.h"
#include "gui/gui.h"
#include "logo/logo.h"
#include "operations/operations.h"
#include "popup/popup.h"

