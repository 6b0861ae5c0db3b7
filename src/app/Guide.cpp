#include "app/Guide.h"

#include <array>

namespace korvel {

namespace {

// Tip kFirstTip + index.
constexpr std::array<const char*, kLastTip - kFirstTip + 1> kTips = {
    // 1000
    "//////Help is not available at this moment !",
    // 1001 playing
    "Play a chord in the accompaniment section of the keyboard (left of the split point) and "
    "press Play - F9: the style follows every chord you play.//Intro, Fill in, Ext., Basic and "
    "Ending switch the parts while it plays.",
    // 1002 .. 1011 the style generator, step by step
    "Step 1: import a MIDI file (\"Import MIDI ...\") whose accompaniment you like. Korvel reads "
    "it as a song and shows its channels.",
    "Step 2: \"Generate Chords\" finds the chords of the song. Check them in the song editor and "
    "correct those that sound wrong.",
    "Step 3: \"Convert all to Style\" moves every note to C major over the chords found.//Listen: "
    "a converted song sounds the same as before.",
    "Switch on \"Style-Mode\", choose the measures of a part with LoopStart and LoopEnd and play "
    "them to listen.",
    "Select a part in \"Style parts\" and press \"Set\": the measures become that part. Setting "
    "Basic or Extended also fills their transitions and fills.",
    "Set the other parts the same way: Intro, Extended, Ending, the fills and the transitions.",
    "Mute the channels that should not play in the style and press \"Set Muting to all "
    "Styleparts\".",
    "\"Normalize Volume\" makes the loudest channel play at the chosen maximum volume.",
    "\"4. Test style\" plays all parts one after another: listen to every part and its "
    "transitions.",
    "Save the style with \"Save Style as ...\". It is then ready to play from the main window.",
    // 1012 welcome back
    "Welcome back !//Play chords with your left hand and a melody with your right, or open a "
    "song (File > Open ...) and press Play - F9.",
    // 1013 .. 1015 the style generator
    "The chord memory holds the chords the analysis found: the song editor shows them measure "
    "by measure.",
    "Channels with drums should play on channel 10: use \"Move events from source to "
    "destination\" to move them.",
    "\"Oct. up\" and \"Oct. down\" move a channel's notes by an octave, \"Tone up\" and \"Tone "
    "down\" by a semitone.",
    // 1016 waiting for an external sequencer
    "Korvel waits for the other program: start your sequencer now. Recording begins with its "
    "Start message and follows its MIDI clock.",
    // 1017 the style generator
    "\"Restore Original\" brings the imported song back as it was read, if a conversion did "
    "not sound right.",
    // 1018 recording
    "Record a song: press Record - F8 and play your chords; the chord memory keeps them with "
    "the part changes. Stop - F10 ends the recording.",
    // 1019 style groups
    "Keep your favourite styles in groups: the style manager lists them, and a click plays one "
    "so you can hear it.",
    // 1020 the File menu
    "Open a song or a style, save your arrangement, or import a MIDI file from here.",
    // 1021 the style generator
    "Play the style from the main window with your own chords to hear how the new parts fit "
    "together.",
    // 1022, 1023 playing and recording
    "Press Play - F9 to hear the song; the chords and part changes come from the chord memory.",
    "Record a melody over the song with Melody > Record; Melody > Play plays it with the song.",
    // 1024, 1025 arrangements and playlists
    "Save the song with its chords, melody and settings as an arrangement (File > Save as "
    "...).",
    "The songs of the playlist play one after another. Next and Prev in the File Player move "
    "through the list.",
    // 1026 Play & Overwrite
    "The song plays and every chord you play replaces the chord in the song from that beat on.",
    // 1027 capture
    "Capture: let another program or a hardware sequencer play its pattern to Korvel's MIDI "
    "input on its own MIDI clock; the measures you choose are recorded into the style "
    "generator.",
    // 1028 instrument keys
    "The instrument keys switch the live instrument: Shift + F1 .. F12 on the computer "
    "keyboard, or the keys of the function-key octave of your MIDI keyboard.",
    // 1029 welcome
    "Hello !//Choose your keyboard layout, how chord keys work, your sound module and your MIDI "
    "ports, then press OK.",
    // 1030 melody ad lib
    "Melody Ad Lib: play a melody in C and Korvel moves every note to the chord that plays.",
    // 1031 testing styles
    "Click a style with the right mouse button to hear it with the chord you play.",
    // 1032, 1033 the keyboard's MIDI connection
    "Press a key on your MIDI keyboard now. If nothing happens, check the MIDI cable or USB "
    "connection and the MIDI input chosen in the MIDI window.",
    "Your MIDI keyboard is connected: Korvel receives its keys.",
};

}  // namespace

std::string TipText(int number) {
  if (number < kFirstTip || number > kLastTip) return {};
  return kTips[static_cast<size_t>(number - kFirstTip)];
}

std::string PrompterLines(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "//") == 0) {
      // After a scheme ("https:") the slashes belong to the address.
      lines += i > 0 && text[i - 1] == ':' ? "//" : "\n";
      ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

std::optional<int> Guide::Step(int offset) {
  if (FirstRun) return std::nullopt;
  if (!On) {
    RememberedTip = 1004;
    return std::nullopt;
  }
  const int tip = offset < 0 ? RememberedTip : kFirstTip + offset;
  if (tip < kFirstTip || tip > kLastTip) return std::nullopt;
  if (tip != 1020) RememberedTip = tip;
  return tip;
}

}  // namespace korvel
