// The song's file commands ("&Open ...", "Sa&ve", "&Save as ...") and the melody menu: each item
// calls the core under the engine lock; the check marks and enabling follow the melody's state.
#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <array>
#include <memory>

#include "app/Engine.h"
#include "app/Songs.h"

namespace korvel {

class MelodyNotes;
class SongPanel;

class SongMenus : public QObject {
  Q_OBJECT

 public:
  // The menus and the note editor belong to this object and go with it, before the engine.
  SongMenus(Engine& engine, Dialogs& dialogs, View& view, SongPanel& panel);
  ~SongMenus() override;

  // Reads the melody's state back: the check marks of "&Record" and "&Play" and which items
  // may act now.
  void Refresh();

  Songs Files;  // under the engine lock
  QAction* OpenItem;
  QAction* SaveItem;
  QAction* SaveAsItem;
  QMenu* Melody;  // "&Melody"
  QAction* RecordItem;
  QAction* PlayItem;
  QAction* DeleteItem;
  QAction* RestoreItem;
  QAction* NotesItem;
  QMenu* Quantize;
  std::array<QAction*, 4> QuantizeItems{};  // "1/32", "1/24", "1/16", "1/8"
  MelodyNotes* Notes;                       // the note editor, opened by "&Notes ..."

 signals:
  // A command ran: the song panel and the main window show what it changed.
  void Changed();

 private:
  QAction* Item(QMenu* menu, const QString& caption, const QString& hint,
                std::function<void()> action);

  Engine& engine_;
  Dialogs& dialogs_;
  SongPanel& panel_;
  std::unique_ptr<QMenu> fileItems_;  // holds the file items; the "&File" menu shows them
};

}  // namespace korvel
