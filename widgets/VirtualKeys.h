#pragma once

namespace korvel::widgets::vk {

// Windows virtual-key codes, the numbers key events are reported in
// (vkCode() in KeyCodes.h makes them from Qt's keys).
constexpr int Backspace = 8;
constexpr int Return = 13;
constexpr int Escape = 27;
constexpr int Space = 32;
constexpr int PageUp = 33;
constexpr int PageDown = 34;
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Apps = 93; // the context-menu key
constexpr int NumpadPlus = 107;
constexpr int NumpadMinus = 109;
constexpr int F11 = 122;
constexpr int PlusEquals = 187;
constexpr int Minus = 189;

} // namespace korvel::widgets::vk
