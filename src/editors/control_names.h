#pragma once

class QWidget;

namespace kovo {

// Gives every box and list under `root` the name a screen reader reads for it, from the layout
// the person sees:
// - a box without a buddy label gets the label left of it in its row (or before it in its row
//   layout, or its form label) as buddy;
// - a box inside a frame gets the frame caption and its label as its name ("General Timers,
//   Timer 1"), since Qt would otherwise name every box in a frame after the frame alone; a box
//   alone in its frame without a label is named after the frame;
// - a list gets its label as name, since Qt would otherwise name it by the entry it shows;
// - a box in a table without a label of its own is named by its row label and column heading;
// - the label right of a box (its unit) becomes its description.
// Labels already set as buddies and names already given are kept, so calling it again after
// adding controls only fills the gaps.
void nameControls(QWidget* root);

} // namespace kovo
