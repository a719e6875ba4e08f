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

} // namespace
} // namespace kovo::roundtrip
