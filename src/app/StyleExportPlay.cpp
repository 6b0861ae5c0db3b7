#include "app/StyleExportPlay.h"

namespace korvel {

OfflineStart StyleArrangementStart(const std::string& stylePath, int part, bool playIntro,
                                   std::shared_ptr<std::optional<StyleArrangement>> built,
                                   Dialogs& dialogs) {
  return [stylePath, part, playIntro, built, &dialogs](Engine& engine,
                                                       int outIndex) -> std::function<bool()> {
    MidiPorts& ports = engine.Ports;
    ports.ComboBox5 = static_cast<int>(ports.OutputList().size()) - 1;
    ports.ComboBox1 = outIndex;
    ports.ComboBox1Change();
    if (!ports.MidiOutput1.IsOpen()) return {};
    engine.Transport.TempoDetection = true;  // the style's own tempo
    engine.Style.StyleFileName = stylePath;
    engine.Loader.LoadStyle(false);
    if (!engine.Style.StyleLoaded) return {};  // the loader has told why
    *built = BuildStyleArrangement(engine.Style.Parts, engine.Style.Channels.MeasureLength(),
                                   engine.Keys, part, playIntro);
    if (!*built) {
      dialogs.InformUser(stylePath + ": no style part to export");
      return {};
    }
    const StyleArrangement& a = **built;
    engine.Style.Parts = a.PlayedParts;
    if (a.PlayIntro) engine.Style.SelectedPart = kIntro;
    SongTransport& song = engine.Song;
    song.LoadSong(a.Chords.Bytes.data(), static_cast<size_t>(a.SongEnd));
    song.SetFirstMeasure(1);
    song.SetLastMeasure(a.LastMeasure);
    // The style counts a song's bars from its first beat, so a silent lead-in measure of the
    // file is no measure of the song: the song starts with the first part, a measure late.
    const int firstMeasure = a.Parts.front().FirstMeasure;
    song.SetStartMeasure(firstMeasure);
    song.Play();
    if (!song.Running()) return {};
    const Transport& t = engine.Transport;
    const int leadIn = (firstMeasure - 1) * t.MeasureSixteenths * t.ClocksPerBeat / 4;
    return [&engine, leadIn, started = false]() mutable {
      if (!started) {
        started = true;
        if (leadIn > 0) engine.Transport.StartDelay = leadIn + 1;
      }
      return !engine.Song.Running();
    };
  };
}

}  // namespace korvel
