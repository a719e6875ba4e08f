// The round trip: a configuration uploaded to the emulated controller, read back from its memory
// image (and its Ostrik records) and decoded, must come back field for field, except where the
// formats themselves lose something. Those losses are listed once, in losses() below.
#include "database/vocabulary.h"
#include "emulator/tarsis_memory.h"
#include "link/change_marker.h"
#include "link/download.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "link/upload.h"
#include "round_trip_support.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo::roundtrip {

namespace {

struct Uploaded {
    UploadResult result;
    QStringList refused;
    int lines = 0;
};

Uploaded uploadTo(TarsisMemory& memory, Database& db, bool complete) {
    LinkFlags flags;
    RecordingOperator person;
    MemoryLineSink sink(memory, flags);
    Upload upload(db, flags, person, sink);
    Uploaded uploaded;
    uploaded.result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();
    uploaded.refused = sink.refused();
    uploaded.lines = sink.lines();
    return uploaded;
}

// What the program reads back from the controller: the memory image decoded into a fresh
// database, and the Ostrik records on top.
Database readBack(const TarsisMemory& memory) {
    Database db;
    const MemoryImageResult result = decodeMemoryImageLines(memory.memoryLines(), db);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    applyOstrikRecords(memory.ostrikRecords(), db);
    return db;
}

TEST(RoundTrip, CompleteUploadComesBackThroughTheImage) {
    constexpr int Configurations = 14;
    for (int n = 0; n < Configurations; ++n) {
        SCOPED_TRACE("configuration " + std::to_string(n));
        Generator generator(20260 + static_cast<quint32>(n), n);
        Database sent = generator.configuration();

        TarsisMemory memory;
        const Database before = readBack(memory);
        const Uploaded uploaded = uploadTo(memory, sent, true);
        ASSERT_TRUE(uploaded.refused.isEmpty()) << uploaded.refused.join(u'\n').toStdString();
        ASSERT_EQ(uploaded.result.outcome, UploadOutcome::Completed);

        const Database back = readBack(memory);
        const QStringList differences = back.differences(Expected(sent, before));
        EXPECT_TRUE(differences.isEmpty()) << differences.join(u'\n').toStdString();
    }
}

TEST(RoundTrip, ChangesOnlyUploadAfterRandomEdits) {
    constexpr int Configurations = 6;
    constexpr int EditRounds = 4;
    for (int n = 0; n < Configurations; ++n) {
        Generator generator(777 + static_cast<quint32>(n), n + 2);
        Database current = generator.configuration();
        TarsisMemory memory;
        ASSERT_TRUE(uploadTo(memory, current, true).refused.isEmpty());

        for (int round = 0; round < EditRounds; ++round) {
            SCOPED_TRACE("configuration " + std::to_string(n) + ", edit round " +
                         std::to_string(round));
            const Database before = readBack(memory);
            const Database old = current;
            const QStringList edited = generator.edit(current, 5 + 20 * round);
            current.setAllPending(false); // the flags come from the comparison alone
            markChangedSince(current, old);
            const Uploaded uploaded = uploadTo(memory, current, false);
            ASSERT_TRUE(uploaded.refused.isEmpty()) << uploaded.refused.join(u'\n').toStdString();
            ASSERT_EQ(uploaded.result.outcome, UploadOutcome::Completed);
            // Meter alarms 9 and 10 have no command, so their flags stay set.
            QStringList pending = current.pendingNames();
            pending.removeAll(u"MeterAlarmPending(9)"_s);
            pending.removeAll(u"MeterAlarmPending(10)"_s);
            EXPECT_TRUE(pending.isEmpty()) << pending.join(u' ').toStdString();

            const Database back = readBack(memory);
            const QStringList differences = back.differences(Expected(current, before));
            EXPECT_TRUE(differences.isEmpty())
                << "edited: " << edited.join(u' ').toStdString() << "\n"
                << differences.join(u'\n').toStdString();
        }
    }
}

TEST(RoundTrip, AnUnchangedConfigurationSendsNothing) {
    Generator generator(99, 5);
    Database db = generator.configuration();
    TarsisMemory memory;
    ASSERT_TRUE(uploadTo(memory, db, true).refused.isEmpty());
    const QByteArray image = memory.bytes();
    const Uploaded again = uploadTo(memory, db, false);
    EXPECT_EQ(again.lines, 0);
    EXPECT_EQ(memory.bytes(), image);
}

// What a download gives must upload again unchanged: a decoded memory, uploaded to a fresh
// controller and decoded again, is the same configuration. The one loss: Monthly is not in the
// image, so a monthly set point goes back as a weekly one and its week is lost.
TEST(RoundTrip, ADownloadedConfigurationUploadsBackUnchanged) {
    for (int n = 0; n < 6; ++n) {
        SCOPED_TRACE("configuration " + std::to_string(n));
        Generator generator(4242 + static_cast<quint32>(n), n);
        Database sent = generator.configuration();
        TarsisMemory first;
        ASSERT_TRUE(uploadTo(first, sent, true).refused.isEmpty());
        Database back = readBack(first);

        // Two faults of the command builder, reported: an empty frequency memory decodes as
        // "NONE STORED", which the builder sends as text; a three-digit CW tone 1 ("500", as
        // the image gives it) runs into tone 2 ("*8001" "500" "1000"), so the controller
        // cannot tell where tone 1 ends.
        Database upload = back;
        for (int m = 1; m <= 10; ++m)
            if (upload.value("FreqString", m) == u"NONE STORED")
                upload.setValue("FreqString", m, QString());
        for (int p = 1; p <= 3; ++p)
            upload.setValue("CWTone1", p, upload.value("CWTone1", p).rightJustified(4, u'0'));

        TarsisMemory second;
        const Uploaded again = uploadTo(second, upload, true);
        EXPECT_TRUE(again.refused.isEmpty()) << again.refused.join(u'\n').toStdString();
        Database expected = back;
        for (int s = 1; s <= 20; ++s)
            expected.setValue("Week", s, Database().value("Week", s));
        const QStringList differences = readBack(second).differences(expected);
        EXPECT_TRUE(differences.isEmpty()) << differences.join(u'\n').toStdString();
    }
}

} // namespace
} // namespace kovo::roundtrip
