#include "emulator/tarsis_memory.h"
#include "link/change_marker.h"
#include "link/download.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "link/upload.h"
#include "round_trip_support.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo::roundtrip {

namespace {

Database readBack(const TarsisMemory& memory) {
    Database db;
    const MemoryImageResult result = decodeMemoryImageLines(memory.memoryLines(), db);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    applyOstrikRecords(memory.ostrikRecords(), db);
    return db;
}

// Uploads `db` into `memory`, which must then read back as `db` with the losses the formats
// force; returns the number of lines sent.
int expectComesBack(TarsisMemory& memory, Database& db, bool complete, const QString& edited = {}) {
    const Database before = readBack(memory);
    LinkFlags flags;
    RecordingOperator person;
    MemoryLineSink sink(memory, flags);
    Upload upload(db, flags, person, sink);
    const UploadResult result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();
    EXPECT_TRUE(sink.refused().isEmpty()) << sink.refused().join(u'\n').toStdString();
    EXPECT_EQ(result.outcome, UploadOutcome::Completed);
    const QStringList differences = readBack(memory).differences(Expected(db, before));
    EXPECT_TRUE(differences.isEmpty()) << "edited: " << edited.toStdString() << "\n"
                                       << differences.join(u'\n').toStdString();
    return sink.lines();
}

TEST(RoundTrip, CompleteUploadComesBackThroughTheImage) {
    constexpr int Configurations = 14;
    for (int n = 0; n < Configurations; ++n) {
        SCOPED_TRACE("configuration " + std::to_string(n));
        Generator generator(20260 + static_cast<quint32>(n), n);
        Database sent = generator.configuration();
        TarsisMemory memory;
        expectComesBack(memory, sent, true);
    }
}

TEST(RoundTrip, ChangesOnlyUploadAfterRandomEdits) {
    constexpr int Configurations = 6;
    constexpr int EditRounds = 4;
    for (int n = 0; n < Configurations; ++n) {
        Generator generator(777 + static_cast<quint32>(n), n + 2);
        Database current = generator.configuration();
        TarsisMemory memory;
        expectComesBack(memory, current, true);
        for (int round = 0; round < EditRounds; ++round) {
            SCOPED_TRACE("configuration " + std::to_string(n) + ", edit round " +
                         std::to_string(round));
            const Database old = current;
            const QStringList edited = generator.edit(current, 5 + 20 * round);
            current.setAllPending(false); // the flags come from the comparison alone
            markChangedSince(current, old);
            expectComesBack(memory, current, false, edited.join(u' '));
            // Meter alarms 9 and 10 have no command, so their flags stay set.
            QStringList pending = current.pendingNames();
            pending.removeAll(u"MeterAlarmPending(9)"_s);
            pending.removeAll(u"MeterAlarmPending(10)"_s);
            EXPECT_TRUE(pending.isEmpty()) << pending.join(u' ').toStdString();
        }
    }
}

TEST(RoundTrip, AnUnchangedConfigurationSendsNothing) {
    Generator generator(99, 5);
    Database db = generator.configuration();
    TarsisMemory memory;
    expectComesBack(memory, db, true);
    const QByteArray image = memory.bytes();
    EXPECT_EQ(expectComesBack(memory, db, false), 0);
    EXPECT_EQ(memory.bytes(), image);
}

} // namespace
} // namespace kovo::roundtrip
