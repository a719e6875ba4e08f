#pragma once

#include <QString>

namespace kovo {

class ProgramSettings;

// The link the settings put in force, as the person should see it at all times ("Built-in
// Tarsis emulator (no radio)", "Serial COM5 (9600 8N1)", "DTMF tones, transmitter keyed by RTS
// on /dev/ttyUSB0"), so the emulator is never taken for the radio.
QString linkDescription(const ProgramSettings& settings);

} // namespace kovo
