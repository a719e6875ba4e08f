#pragma once

#include "chunk_reader.h"

#include <QString>
#include <QStringList>

namespace kovo {

class Channel;
class Database;
class Operator;

struct DownloadSettings {
    QString programFolder; // download.mem, Tempfile.dat and kovo.ini live here
    QString comPort;       // the ComPort setting: "0" is DTMF mode, anything else serial
    // The silence counter ticks once per this many ms without a chunk; five ticks end a receive
    // loop with the time-out message.
    int silenceTickMs = 1000;
    int settleMs = 100; // the pause after an end marker or a cancel
    // Before each request, what the port still receives is thrown away until it has been quiet
    // this long (a late answer to the last command would read as an end marker).
    int drainMs = 100;
    int ostrikAnswerDelayMs = 1000; // the pause before each "o" to the board
    // A chunk is one line, ended by CR and/or LF. Without a line end, a chunk that cannot go on
    // (an end marker, "position,value" with a value of 0, of three digits or above 25) is complete
    // at once; any other is complete once nothing more has arrived for this long.
    int chunkGapMs = 20;
    // Positions unless kovo.ini says otherwise ([Main] DownloadFraming=QuietGap), for a
    // controller that misbehaves on an "OK" sent before the chunk's last digit.
    ChunkFraming framing = ChunkFraming::Positions;
};

enum class DownloadOutcome {
    Refused,    // DTMF mode: nothing sent
    Declined,   // the person answered No to the confirmation
    PortFailed, // the port could not be opened
    TimedOut,   // the controller fell silent (the last download.mem is kept)
    Cancelled,  // the person cancelled (the last download.mem is kept)
    // The controller refused, sent more than a memory image, or the image was refused by the
    // decoder; database unchanged
    Broken,
    Done, // decoded into the database
};

struct DownloadResult {
    DownloadOutcome outcome = DownloadOutcome::Refused;
    int chunks = 0;              // memory chunks written to download.mem
    QString memFile;             // the memory image file's path (empty before it was opened)
    bool ostrikFitted = false;   // the person said the autopatch board is installed
    bool ostrikComplete = false; // the board's records arrived to their end and were decoded
    int ostrikRecords = 0;       // board records written to Tempfile.dat
    QString error;               // the decoder's message for Broken
};

// The whole download from the controller (the "Download from Tarsis" menu item): confirmation,
// "1SendEram", one line per chunk into download.mem (recorded as MemFile in kovo.ini), "OK" + CR
// after each chunk, the end markers, the silence time-out and cancelling, the question about the
// Ostrik board and its records, decoding into `db`, and the closing message. Every message and
// question goes through `person`; its interrupted() is the Escape button. A refusal ("-"), or
// more lines than a memory image holds, ends the download with nothing changed. Records of a
// board download cut short are decoded all the same.
DownloadResult runDownload(Database& db, Channel& channel, Operator& person,
                           const DownloadSettings& settings);

enum class OstrikOutcome { Done, TimedOut, Cancelled, TooMany, PortFailed };

struct OstrikDownloadResult {
    OstrikOutcome outcome = OstrikOutcome::PortFailed;
    int records = 0;
    QStringList recordLines; // the records received, also when the download was cut short
    QString tempFile;        // Tempfile.dat in the program folder
};

// The second download: "1SendAPEram", each record into Tempfile.dat with "o" + CR after it,
// until a record beginning "RICom"; then the line "Complete". On cancel the lock code and the
// terminator (stored copies of `db`) are sent with a CR. Tempfile.dat is replaced only by a
// download that reached its end; more records than the board holds end it (TooMany).
OstrikDownloadResult downloadOstrikRecords(const Database& db, Channel& channel, Operator& person,
                                           const DownloadSettings& settings);

struct OstrikDecodeResult {
    bool ok = false;
    QString error;
};

// Reads Tempfile.dat into the autopatch fields: "RA" + entry (characters 3-5) + digits fills
// AutoDial(entry); "RT" likewise fills TollRestrict(entry) after the whole toll-restrict list has
// been emptied; "RS" + value is the patch time-out (APTimeOut), "RR" + value the number of rings
// (RingNumber); "RI" records (the board's identity) are not used. Sets AutopatchChanged. A file
// that does not end with the line "Complete" (a board download cut short) is refused and
// changes nothing.
OstrikDecodeResult decodeOstrikRecords(const QString& path, Database& db);
// The same for the record lines themselves (no "Complete" line needed).
void applyOstrikRecords(const QStringList& records, Database& db);

// The texts the download shows.
namespace DownloadText {
inline const QString DtmfMode = QStringLiteral(
    "You may not download from the Tarsis in DTMF Mode. Please change to Serial Port Mode and try "
    "again");
inline const QString Confirm = QStringLiteral(
    "Downloading will cause other operations of the Tarsis to stop until the download is "
    "complete. Are you sure you want to do this?");
inline const QString ConfirmTitle = QStringLiteral("Confirm Download");
inline const QString Receiving = QStringLiteral("Downloading From Tarsis");
inline const QString TimedOut = QStringLiteral(
    "Data from the Tarsis did not successfully download. Please try again. Press OK to continue.");
inline const QString TimeoutTitle = QStringLiteral("Serial Timeout");
inline const QString Cancelled = QStringLiteral("Download Canceled. Click OK to return to Kovo");
inline const QString AskOstrik =
    QStringLiteral("Download Complete! Do you have the Ostrik (Autopatch Option) installed?");
inline const QString AskOstrikTitle = QStringLiteral("Download from Ostrik");
inline const QString ReceivingOstrik = QStringLiteral("Downloading From Autopatch");
inline const QString OstrikTimedOut = QStringLiteral(
    "Data from Ostrik did not successfully download. Please try again. Press OK to continue.");
inline const QString Refused =
    QStringLiteral("The Tarsis refused to send its memory (it answered \"%1\"). Nothing was "
                   "changed; please try again.");
inline const QString TooLong =
    QStringLiteral("The Tarsis sent more than %1 lines, more than its memory holds, so this is no "
                   "memory image. The download was stopped and nothing was changed.");
inline const QString OstrikTooLong =
    QStringLiteral("The Ostrik sent more than %1 records, more than the board holds. Its records "
                   "were not read to their end.");
inline const QString SaveAdvice =
    QStringLiteral("You should save this download to a dat file before proceeding further");
inline const QString ErrorTitle = QStringLiteral("Error!");
} // namespace DownloadText

} // namespace kovo
