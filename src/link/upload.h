#pragma once

#include "command_set.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace kovo {

class Database;
class DigitSink;
class LineSink;
class Operator;
struct LinkFlags;

enum class UploadOutcome {
    Completed,
    Aborted,     // the controller refused a command, or the link reached its error limit
    Interrupted, // the person interrupted, or the link reached its error limit
    NotStarted,  // the port could not be opened or the transmitter not keyed
};

struct UploadResult {
    UploadOutcome outcome = UploadOutcome::NotStarted;
    // Every command that went out: serial lines (the closing reset line of a complete upload
    // too) or DTMF units played whole. The one count every report of an upload gives.
    int commandsSent = 0;
    int progress = 0; // the progress value reached (complete upload only)
    // Items whose command got no "+" (time-out, garbled answer): their flags stay set.
    QStringList unconfirmed;
    // Items the transport cannot carry, as "item = value": the upload sent nothing.
    QStringList unsendable;
    // Words and CW characters the controller cannot take, one line each naming its item
    // (skippedReport): told before the first command, left out of their commands.
    QStringList skipped;
};

// Sends the configuration to the controller: everything (sendCompleteData) or only the items
// whose send-pending flags are set (sendChangesOnly), in the controller's fixed order, over the
// serial link or as DTMF digits.
//
// Per item: the command goes out (serial: each line one exchange; DTMF: unlock part and body);
// the item's pending flags are cleared; a refusal or the error limit (LinkFlags::updateAborted)
// ends the upload; over DTMF the lock part follows; an interrupt (LinkFlags::updateInterrupted or
// Operator::interrupted()) ends the upload after the current item. The item whose command was
// refused keeps its flags, so a later changes-only upload sends it again; so does a multi-line
// item cut short. A flag shared by several commands (a general timer and its macro, the user DTMF
// settings, the radio type, the remote-base memories, a meter alarm and its enable) is cleared
// after the last of them.
//
// Items that hold nothing to send ("NONE STORED" message macros and DTMF memories, alarm macro
// "0", over DTMF a set point whose day is 10) have their flags cleared without a command. Items
// the transport cannot carry (port unlock codes and alarm macros over DTMF, the lock code in a
// complete DTMF upload) keep their flags.
//
// The terminator and lock commands change the codes the controller answers to: once sent, the
// database's stored copies take the new codes, and every later command is framed with them.
// A changes-only upload sends the lock code (LockPending) and then the terminator
// (TerminatorPending) in the codes section.
//
// Before the first command goes out, every command of the upload is built and checked: a serial
// line carries only the port digit and DTMF characters, a DTMF unit only digit codes. If any
// cannot be carried nothing is sent (NotStarted) and the message names every offending item and
// value. An item whose serial command got no "+" keeps its flags and is named in the closing
// message.
//
// Words and CW characters that have no code in the controller's tables are found by the same
// check; the person is told of each, with its item, in one message before anything is sent (and
// before a transmitter is keyed), and the rest of each item goes out without them.
//
// Both flags of LinkFlags are cleared when an upload starts. Progress (complete upload only) goes
// to the Operator as (value, 724, "<percent>% Complete") after every step that counts and reaches
// 722; it never goes back down, so nothing after the end reads "0% Complete" (the window resets
// its own bar). The serial link is given no progress source, so the percentage is reported once
// per step, here.
class Upload {
public:
    static constexpr int ProgressMaximum = 724;

    Upload(Database& db, LinkFlags& flags, Operator& person, LineSink& serial);
    Upload(Database& db, LinkFlags& flags, Operator& person, DigitSink& dtmf);

    UploadResult sendCompleteData();
    UploadResult sendChangesOnly();

    // Called with every command just before it goes out, the closing reset line included.
    void setCommandObserver(std::function<void(const Command&)> observer) {
        m_observer = std::move(observer);
    }
    Transport transport() const { return m_transport; }
    int progressValue() const { return m_progress; }

private:
    struct Flag {
        QString name;
        int index = 0;
    };
    using Flags = QList<Flag>;

    UploadResult run(bool complete);
    // Every command of the upload built and checked without sending; the offending items. The
    // words left out are gathered on the way (m_skipped).
    QStringList findUnsendable();
    void checkCommand(const Command& command);
    bool walk();
    // Sends one item; false when the upload must end.
    bool step(CommandItem item, int index, const Flags& select);
    bool step(CommandItem item, int index, const Flags& select, const Flags& clear);
    // An item with a flag of its own: field + "Pending".
    bool own(CommandItem item, const char* field, int index = 0);
    bool sendSerial(CommandItem item, const Command& command, const Flags& clear);
    bool sendDtmf(CommandItem item, const Command& command, const Flags& clear);
    void sent(CommandItem item);
    void clearFlags(const Flags& clear);
    bool interruptedNow();
    void bump();
    void finish(UploadOutcome outcome);

    Database& m_db;
    LinkFlags& m_flags;
    Operator& m_person;
    LineSink* m_lines = nullptr;
    DigitSink* m_digits = nullptr;
    Transport m_transport;
    std::function<void(const Command&)> m_observer;
    bool m_complete = false;
    bool m_checking = false;
    QStringList m_unsendable;
    QStringList m_skipped;
    int m_progress = 0;
    UploadResult m_result;
};

} // namespace kovo
