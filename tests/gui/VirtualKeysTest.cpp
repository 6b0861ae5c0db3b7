// Key events as the keyboard tables see them: by the key, in the musician's layout, whatever
// Shift makes of it. The events are built as the window system delivers them, with their
// native key codes (evdev + 8).
#include <QTest>

#include "forms/VirtualKeys.h"

namespace korvel {
namespace {

struct Press {
  const char* what;
  int qtKey;
  Qt::KeyboardModifiers modifiers;
  quint32 scanCode;
  int expected;
};

// An empty text when the key gives its code, else what went wrong.
QString Check(const KeyTranslator& translator, const Press& press) {
  const QKeyEvent event(QEvent::KeyPress, press.qtKey, press.modifiers, press.scanCode, 0, 0);
  const int code = translator.VirtualKeyOf(event);
  if (code == press.expected) return {};
  return QString("%1 gives %2, not %3").arg(press.what).arg(code).arg(press.expected);
}

class VirtualKeysTest : public QObject {
  Q_OBJECT

 private slots:
  void UsKeysGiveTheirCodeWithOrWithoutShift() {
    const KeyTranslator us({"evdev", "pc105", "us", "", ""});
    const Press presses[] = {
        {",", Qt::Key_Comma, Qt::NoModifier, 59, 188},
        {"Shift ,", Qt::Key_Less, Qt::ShiftModifier, 59, 188},
        {"Shift .", Qt::Key_Greater, Qt::ShiftModifier, 60, 190},
        {"Shift /", Qt::Key_Question, Qt::ShiftModifier, 61, 191},
        {"Shift '", Qt::Key_QuoteDbl, Qt::ShiftModifier, 48, 222},
        {"Shift \\", Qt::Key_Bar, Qt::ShiftModifier, 51, 220},
        {"Shift ;", Qt::Key_Colon, Qt::ShiftModifier, 47, 186},
        {"Shift 1", Qt::Key_Exclam, Qt::ShiftModifier, 10, '1'},
        {"Shift t", Qt::Key_T, Qt::ShiftModifier, 28, 'T'},
        {"z", Qt::Key_Z, Qt::NoModifier, 52, 'Z'},
        {"the ISO key beside the left Shift", Qt::Key_Less, Qt::NoModifier, 94, 226},
        {"Shift itself", Qt::Key_Shift, Qt::ShiftModifier, 50, 16},
        {"F1", Qt::Key_F1, Qt::NoModifier, 67, 112},
        {"Shift F3", Qt::Key_F3, Qt::ShiftModifier, 69, 114},
        {"Esc", Qt::Key_Escape, Qt::NoModifier, 9, 27},
        {"a key the tables do not know", Qt::Key_Space, Qt::NoModifier, 65, 0},
        {"no native code: the key Qt names", Qt::Key_G, Qt::NoModifier, 0, 'G'},
    };
    for (const Press& press : presses) QCOMPARE(Check(us, press), QString());
  }

  void GermanKeysAreKnownByTheirOwnSymbols() {
    const KeyTranslator german({"evdev", "pc105", "de", "", ""});
    const Press presses[] = {
        {"z, where US has y", Qt::Key_Z, Qt::NoModifier, 29, 'Z'},
        {"y, where US has z", Qt::Key_Y, Qt::NoModifier, 52, 'Y'},
        {"Shift ,", Qt::Key_Semicolon, Qt::ShiftModifier, 59, 188},
        {"o umlaut", Qt::Key_Odiaeresis, Qt::NoModifier, 47, 192},
        {"Shift sharp s", Qt::Key_Question, Qt::ShiftModifier, 20, 219},
        {"Shift #", Qt::Key_Apostrophe, Qt::ShiftModifier, 51, 191},
        {"Shift +", Qt::Key_Asterisk, Qt::ShiftModifier, 35, 187},
        {"Shift <", Qt::Key_Greater, Qt::ShiftModifier, 94, 226},
    };
    for (const Press& press : presses) QCOMPARE(Check(german, press), QString());
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::VirtualKeysTest)
#include "VirtualKeysTest.moc"
