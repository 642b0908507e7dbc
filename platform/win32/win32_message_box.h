// The live Windows player's message-box sink: MessageBoxA with no owner window.
#pragma once

#include "data/message_box.h"

// Shows the box with MessageBoxA (MB_OK or MB_YESNO and the style's icon) and returns the answer.
MessageBoxResult win32MessageBox(const MessageBoxCall& call);
