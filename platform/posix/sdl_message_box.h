// The live player's message-box sink: a real SDL dialog, or a line on standard error when no
// display can show one.
#pragma once

#include "data/message_box.h"

// Shows the box with SDL (OK or Yes/No buttons, icon by style); falls back to stderrMessageBox.
MessageBoxResult sdlMessageBox(const MessageBoxCall& call);
