// Qt key events as the Windows virtual-key codes the keyboard tables are written in. As with a
// virtual-key code, a key gives the same code with or without Shift: a character key is known
// by its unshifted symbol in the musician's layout, found from its native key code, never by the
// character that Shift makes.
#pragma once

#include <QKeyEvent>
#include <string>

struct xkb_context;
struct xkb_keymap;

namespace korvel {

// A keyboard layout by its XKB names; empty names take the system's defaults.
struct XkbNames {
  std::string Rules, Model, Layout, Variant, Options;
};

class KeyTranslator {
 public:
  explicit KeyTranslator(const XkbNames& names);
  ~KeyTranslator();
  KeyTranslator(const KeyTranslator&) = delete;
  KeyTranslator& operator=(const KeyTranslator&) = delete;

  // 0 for a key the tables do not know.
  int VirtualKeyOf(const QKeyEvent& event) const;

  // The layout of the desktop Korvel runs on (the X server's, else the system's default).
  static const KeyTranslator& Desktop();

 private:
  int CharacterKey(quint32 nativeScanCode) const;

  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
};

}  // namespace korvel
