#include "forms/VirtualKeys.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace korvel {

namespace {

// Keys that are the same in every layout.
int FixedKey(int key) {
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 112 + (key - Qt::Key_F1);
  static const std::map<int, int> kKeys = {
      {Qt::Key_Shift, 16},  {Qt::Key_Control, 17},  {Qt::Key_Pause, 19}, {Qt::Key_Escape, 27},
      {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34}, {Qt::Key_Home, 36},  {Qt::Key_Backspace, 8},
  };
  const auto it = kKeys.find(key);
  return it == kKeys.end() ? 0 : it->second;
}

// The unshifted symbol of a character key, as Windows codes it for the US and German layouts.
int CodeOfSymbol(xkb_keysym_t symbol) {
  if (symbol >= XKB_KEY_a && symbol <= XKB_KEY_z) return 'A' + static_cast<int>(symbol - XKB_KEY_a);
  if (symbol >= XKB_KEY_A && symbol <= XKB_KEY_Z) return 'A' + static_cast<int>(symbol - XKB_KEY_A);
  if (symbol >= XKB_KEY_0 && symbol <= XKB_KEY_9) return '0' + static_cast<int>(symbol - XKB_KEY_0);
  static const std::map<xkb_keysym_t, int> kSymbols = {
      {XKB_KEY_semicolon, 186},    {XKB_KEY_udiaeresis, 186},
      {XKB_KEY_equal, 187},        {XKB_KEY_plus, 187},
      {XKB_KEY_comma, 188},        {XKB_KEY_minus, 189},
      {XKB_KEY_period, 190},       {XKB_KEY_slash, 191},
      {XKB_KEY_numbersign, 191},   {XKB_KEY_grave, 192},
      {XKB_KEY_odiaeresis, 192},   {XKB_KEY_bracketleft, 219},
      {XKB_KEY_ssharp, 219},       {XKB_KEY_backslash, 220},
      {XKB_KEY_asciicircum, 220},  {XKB_KEY_dead_circumflex, 220},
      {XKB_KEY_bracketright, 221}, {XKB_KEY_dead_acute, 221},
      {XKB_KEY_apostrophe, 222},   {XKB_KEY_adiaeresis, 222},
      {XKB_KEY_less, 226},
  };
  const auto it = kSymbols.find(symbol);
  return it == kSymbols.end() ? 0 : it->second;
}

// Without a native key code (a synthesized event) the key Qt names is all there is.
int CodeOfQtKey(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
  static const std::map<int, int> kKeys = {
      {Qt::Key_Semicolon, 186},    {Qt::Key_Equal, 187},       {Qt::Key_Comma, 188},
      {Qt::Key_Minus, 189},        {Qt::Key_Period, 190},      {Qt::Key_Slash, 191},
      {Qt::Key_QuoteLeft, 192},    {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220},
      {Qt::Key_BracketRight, 221}, {Qt::Key_Apostrophe, 222},  {Qt::Key_Less, 226},
  };
  const auto it = kKeys.find(key);
  return it == kKeys.end() ? 0 : it->second;
}

// The X server's layout names (the _XKB_RULES_NAMES property of the root window).
XkbNames X11Names() {
  XkbNames names;
  const auto* x11 =
      qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return names;
  const char* atomName = "_XKB_RULES_NAMES";
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(
          connection,
          xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(atomName)), atomName),
          nullptr),
      &std::free);
  if (!atom || atom->atom == XCB_ATOM_NONE) return names;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
      xcb_get_property_reply(
          connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_STRING, 0, 1024),
          nullptr),
      &std::free);
  if (!property) return names;
  const auto* value = static_cast<const char*>(xcb_get_property_value(property.get()));
  const int length = xcb_get_property_value_length(property.get());
  std::vector<std::string> parts(1);
  for (int i = 0; i < length; ++i) {
    if (value[i] == '\0') {
      parts.emplace_back();
    } else {
      parts.back() += value[i];
    }
  }
  parts.resize(5);
  return {parts[0], parts[1], parts[2], parts[3], parts[4]};
}

}  // namespace

KeyTranslator::KeyTranslator(const XkbNames& names)
    : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
  if (!context_) return;
  const auto text = [](const std::string& name) { return name.empty() ? nullptr : name.c_str(); };
  const xkb_rule_names rules{text(names.Rules), text(names.Model), text(names.Layout),
                             text(names.Variant), text(names.Options)};
  keymap_ = xkb_keymap_new_from_names(context_, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

KeyTranslator::~KeyTranslator() {
  xkb_keymap_unref(keymap_);
  xkb_context_unref(context_);
}

const KeyTranslator& KeyTranslator::Desktop() {
  static const KeyTranslator desktop(X11Names());
  return desktop;
}

int KeyTranslator::CharacterKey(quint32 nativeScanCode) const {
  if (!keymap_ || nativeScanCode == 0) return -1;
  const xkb_keysym_t* symbols = nullptr;
  // The first layout and the first level: the key's own symbol, whatever Shift or a second
  // layout would make of it.
  const int count = xkb_keymap_key_get_syms_by_level(keymap_, nativeScanCode, 0, 0, &symbols);
  if (count < 1) return -1;
  return CodeOfSymbol(symbols[0]);
}

int KeyTranslator::VirtualKeyOf(const QKeyEvent& event) const {
  if (const int fixed = FixedKey(event.key())) return fixed;
  const int character = CharacterKey(event.nativeScanCode());
  return character >= 0 ? character : CodeOfQtKey(event.key());
}

}  // namespace korvel
