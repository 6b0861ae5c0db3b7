#include "cli/ExportCommands.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "app/HeadlessUi.h"
#include "app/StyleExportPlay.h"

namespace korvel::cli {

CLI::App* AddExportStyleCommand(CLI::App& app, ExportStyleOptions& options) {
  auto* command = app.add_subcommand(
      "export-style", "Write a style as a MIDI file that plays its parts one after another");
  command->add_option("STYLE", options.Style, "Style file (.kvs)")->required();
  command->add_option("--part", options.Part, "Only this style part, 0 (Intro) .. 7 (To Basic)")
      ->check(CLI::Range(0, kStylePartCount - 1));
  command->add_flag("--intro", options.Intro, "Start with the intro, as \"Play Intro\" does");
  command->add_option("-o,--output", options.Out, "MIDI file (.mid)")->required();
  return command;
}

int ExportStyle(const ExportStyleOptions& options) {
  TextDialogs dialogs(&std::cerr);
  NoView view;
  auto built = std::make_shared<std::optional<StyleArrangement>>();
  const RenderResult result = RenderToMidiFile(
      StyleArrangementStart(options.Style, options.Part, options.Intro, built, dialogs),
      options.Out, dialogs, view, true);
  if (!result.Played || !*built) return 1;
  std::string listing = (*built)->Listing();
  std::erase(listing, '\r');
  std::cout << listing;
  return 0;
}

}  // namespace korvel::cli
