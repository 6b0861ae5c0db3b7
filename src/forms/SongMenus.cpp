#include "forms/SongMenus.h"

#include <mutex>

#include "forms/MelodyNotes.h"
#include "forms/MenuItem.h"
#include "forms/SongPanel.h"
#include "platform/Dialogs.h"

namespace korvel {

SongMenus::SongMenus(Engine& engine, Dialogs& dialogs, View& view, SongPanel& panel)
    : Files(engine, dialogs, view),
      Melody(new QMenu("&Melody")),
      Notes(new MelodyNotes(engine)),
      engine_(engine),
      dialogs_(dialogs),
      panel_(panel),
      fileItems_(std::make_unique<QMenu>()) {
  QMenu* file = fileItems_.get();
  OpenItem = Item(file, "&Open ...", "Open an arrangement", [this] { Files.LoadArrangement(); });
  SaveItem = Item(file, "Sa&ve", "Save the arrangement", [this] { Files.Save(); });
  SaveAsItem = Item(file, "&Save as ...", "Save the arrangement under a new name",
                    [this] { Files.SaveAs(); });

  MelodyTrack& melody = engine_.Melody;
  RecordItem = Item(Melody, "&Record", " Record melody", [this, &melody, &dialogs, &view] {
    melody.ToggleRecord(dialogs, engine_.Live.SelChannel);
    if (melody.Recording) view.BeatPanel("R");
  });
  RecordItem->setCheckable(true);
  PlayItem = Item(Melody, "&Play", " Play melody",
                  [this, &melody] { melody.TogglePlay(*engine_.Ports.PlayPort); });
  PlayItem->setCheckable(true);
  DeleteItem =
      Item(Melody, "&Delete", " Delete melody", [&melody, &dialogs] { melody.Delete(dialogs); });
  RestoreItem =
      Item(Melody, "R&estore", " Restore the last melody", [&melody] { melody.Restore(); });
  NotesItem = MakeItem(Melody->addAction("&Notes ..."), " Edit the melody's notes", this, [this] {
    Notes->Refresh();
    Notes->show();
    Notes->raise();
  });
  Quantize = Melody->addMenu("&Quantize");
  const char* const grids[] = {"1/32", "1/24", "1/16", "1/8"};
  for (size_t i = 0; i < QuantizeItems.size(); ++i) {
    const int grid = kMelodyQuantizeGrids[i];
    QuantizeItems[i] = Item(Quantize, grids[i], QString(" Quantize the melody to %1").arg(grids[i]),
                            [this, grid, caption = std::string(grids[i])] {
                              if (engine_.Song.Running() || engine_.Song.Paused())
                                engine_.Song.Stop();
                              engine_.Melody.Quantize(grid);
                              // A melody already on the grid does not change: the musician still
                              // hears of it.
                              dialogs_.ShowStatus("The melody is quantized to " + caption + ".");
                            });
  }
  panel_.AddMelodyButtons(RecordItem, PlayItem);
  connect(Melody, &QMenu::aboutToShow, this, &SongMenus::Refresh);
  Refresh();
}

SongMenus::~SongMenus() {
  delete Notes;
  delete Melody;
}

QAction* SongMenus::Item(QMenu* menu, const QString& caption, const QString& hint,
                         std::function<void()> action) {
  return MakeItem(menu->addAction(caption), hint, this, [this, action] {
    {
      std::lock_guard lock(engine_.Lock);
      action();
    }
    panel_.Refresh();
    Refresh();
    emit Changed();
  });
}

void SongMenus::Refresh() {
  std::lock_guard lock(engine_.Lock);
  const MelodyTrack& melody = engine_.Melody;
  const bool running = engine_.Song.Running() || engine_.Song.Paused();
  RecordItem->setChecked(melody.Recording);
  PlayItem->setChecked(melody.Playing);
  panel_.ShowMelodyState(melody.Recording, melody.Playing);
  DeleteItem->setEnabled(!melody.Empty());
  // Editing and restoring change events the song may be playing.
  RestoreItem->setEnabled(!running && melody.DiffersFromBackup());
  NotesItem->setEnabled(!running);
  Quantize->setEnabled(!melody.Empty());
  // A song is saved from standstill only.
  SaveItem->setEnabled(!running);
  SaveAsItem->setEnabled(!running);
}

}  // namespace korvel
