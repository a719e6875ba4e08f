#pragma once

#include <QString>

namespace kovo {

// `kovo --measure-upload [file.dat]`: a complete upload of the file (a default configuration
// when none is given) to the built-in emulator at true 9600-baud pacing, twice in one run: once
// as kovo-cli sends it (the upload engine on the calling thread, no window), once through the
// upload window with its job on the link thread while a 10 ms timer ticks on the GUI thread.
// Prints one line:
//   upload_gui_ms=<ms> upload_cli_ms=<ms> ratio=<gui/cli> max_tick_gap_ms=<ms> ticks=<n>
//   progress=<highest bar value> commands=<lines>
// and returns 0 when both uploads completed.
int measureUpload(const QString& programFolder, const QString& databaseFile);

} // namespace kovo
