#pragma once

#include <Qt>

class QKeyEvent;

namespace korvel::widgets {

// The Windows virtual-key code of a key press as the button's KeyDown and
// KeyUp events report it: Backspace 8, Tab 9, Enter 13, Escape 27, Space 32,
// arrows 37..40, the context-menu key 93, digits 48..57, letters 65..90, keypad digits 96..105,
// keypad * + - . / 106, 107, 109, 110, 111, F1.. 112.., the main keyboard's
// punctuation keys 186..192 and 219..222 (US layout, shifted or not).
// Keys without a code give 0.
int vkCode(const QKeyEvent &e);
int vkCode(int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace korvel::widgets
