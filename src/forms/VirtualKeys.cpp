#include "forms/VirtualKeys.h"

#include <map>

namespace korvel {

int VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 112 + (key - Qt::Key_F1);
  // Shifted digits still name their key: Shift with a digit picks nothing else.
  static const std::map<int, int> kKeys = {
      {Qt::Key_Shift, 16},        {Qt::Key_Control, 17},    {Qt::Key_Pause, 19},
      {Qt::Key_Escape, 27},       {Qt::Key_PageUp, 33},     {Qt::Key_PageDown, 34},
      {Qt::Key_Home, 36},         {Qt::Key_Backspace, 8},   {Qt::Key_Semicolon, 186},
      {Qt::Key_Equal, 187},       {Qt::Key_Comma, 188},     {Qt::Key_Minus, 189},
      {Qt::Key_Period, 190},      {Qt::Key_Slash, 191},     {Qt::Key_QuoteLeft, 192},
      {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220}, {Qt::Key_BracketRight, 221},
      {Qt::Key_Apostrophe, 222},  {Qt::Key_Less, 226},      {Qt::Key_Greater, 226},
      {Qt::Key_Exclam, '1'},      {Qt::Key_At, '2'},        {Qt::Key_NumberSign, '3'},
      {Qt::Key_Dollar, '4'},      {Qt::Key_Percent, '5'},   {Qt::Key_AsciiCircum, '6'},
      {Qt::Key_Ampersand, '7'},   {Qt::Key_Asterisk, '8'},  {Qt::Key_ParenLeft, '9'},
      {Qt::Key_ParenRight, '0'},
  };
  const auto it = kKeys.find(key);
  return it == kKeys.end() ? 0 : it->second;
}

}  // namespace korvel
