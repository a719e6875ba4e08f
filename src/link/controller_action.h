#pragma once

#include <QString>
#include <QStringList>

namespace kovo {

// One thing an editor asks the controller to do at once, outside an upload: erase every macro,
// record a WAV file into a DVR track, set the clock from this PC, change an unlock code, the
// lock code or the terminator, or play a courtesy tone through the sound output. The link side
// builds the commands, sends them over the configured transport and reports through the
// operator.
struct ControllerAction {
    enum class Kind {
        EraseAllMacros,
        RecordTrack,
        SetClock,
        ChangeUnlockCode,
        ChangeLockCode,
        ChangeTerminator,
        PreviewCourtesyTone,
    };

    Kind kind = Kind::EraseAllMacros;
    // ChangeUnlockCode: the port (1-3) whose unlock code changes; PreviewCourtesyTone: the port
    // whose tone is played.
    int port = 1;
    // ChangeUnlockCode, ChangeLockCode, ChangeTerminator: the new code as typed (upper case).
    QString newCode;
    // RecordTrack: the DVR track (1-20) and the WAV file played into it.
    int track = 1;
    QString wavFile;
    // PreviewCourtesyTone: the sixteen values shown by the editor, in the order Delay1-4,
    // Dur1-4, Tone1-8 (working copies, so a tone can be heard before it is applied).
    QStringList courtesyValues;
    // The database file to write a changed code into before anything is sent; empty for the
    // file the program has open.
    QString databaseFile;
};

} // namespace kovo
