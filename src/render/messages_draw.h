// Floating message drawing: each message's text centred on its x, its y the
// top of the text, in its TitleFonts size and colour, blended with its
// alpha.  Main thread, once per frame.  Nothing can fail: a font index out
// of range or a missing font draws nothing.
#pragma once

#include <allegro.h>

#include "render/messages.h"
#include "render/styled_text.h"

namespace tessaron {

void drawMessage(const FloatingMessage& message, BITMAP* dst);
// The message's text where drawMessage puts it.
PlacedText messageText(const FloatingMessage& message);
// Every message in creation order, the later ones on top.
void drawMessages(const FloatingMessageList& list, BITMAP* dst);

} // namespace tessaron
