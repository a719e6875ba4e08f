// The round trip over the wire: generated configurations uploaded to the emulated Tarsis over a
// real pseudo-terminal through the serial link, downloaded back with the download engine (memory
// and Ostrik records) and decoded; what comes back is the configuration with the losses of
// losses() applied, nothing else.
#include "emulator/tarsis_memory.h"
#include "link/change_marker.h"
#include "link/channel_factory.h"
#include "link/download.h"
#include "link/line_sink.h"
#include "link/memory_image.h"
#include "link/pty_emulator.h"
#include "link/recording_operator.h"
#include "link/serial_link.h"
#include "link/upload.h"
#include "round_trip_support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo::roundtrip {
namespace {

// One session with the controller on the pty: the link the upload and the download share.
class Session {
public:
    explicit Session(const QString& port) {
        test::ensureCoreApplication();
        SerialLink::Settings settings;
        settings.comPort = port;
        QString error;
        auto channel = ChannelFactory::create(port, &error);
        EXPECT_NE(channel, nullptr) << error.toStdString();
        m_link = std::make_unique<SerialLink>(std::move(channel), m_person, m_flags, settings);
        m_lines = std::make_unique<SerialLinkLineSink>(*m_link);
    }

    UploadResult upload(Database& db, bool complete) {
        RecordingOperator person;
        Upload upload(db, m_flags, person, *m_lines);
        const UploadResult result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();
        m_messages += person.messageTexts();
        return result;
    }

    // The download into a fresh database, the autopatch board included.
    DownloadResult download(Database& db, const QString& folder) {
        RecordingOperator person;
        person.scriptAnswers({Answer::Yes, Answer::Yes});
        DownloadSettings settings;
        settings.programFolder = folder;
        settings.comPort = u"1"_s;
        settings.settleMs = 0;
        settings.ostrikAnswerDelayMs = 0;
        settings.chunkGapMs = 5;
        const DownloadResult result = runDownload(db, m_link->channel(), person, settings);
        m_messages += person.messageTexts();
        return result;
    }

    // Messages other than the ones a successful upload or download ends with.
    QStringList complaints() const {
        QStringList list = m_messages;
        list.removeAll(u"Complete Upload Is Complete. The Tarsis will now reset."_s);
        list.removeAll(u"Update Complete"_s);
        list.removeAll(DownloadText::SaveAdvice);
        return list;
    }

private:
    RecordingOperator m_person;
    LinkFlags m_flags;
    std::unique_ptr<SerialLink> m_link;
    std::unique_ptr<SerialLinkLineSink> m_lines;
    QStringList m_messages;
};

Database Decoded(const TarsisMemory& memory) {
    Database db;
    EXPECT_TRUE(decodeMemoryImageLines(memory.memoryLines(), db).ok);
    applyOstrikRecords(memory.ostrikRecords(), db);
    return db;
}

TEST(RoundTripPty, UploadDownloadAndChangesOnlyOverTheWire) {
    // Variant 1 takes every field's high edge; the others draw at random.
    for (int variant : {1, 7}) {
        SCOPED_TRACE("variant " + std::to_string(variant));
        QTemporaryDir dir;
        test::PtyEmulator emulator;
        Session session(emulator.port());
        Generator generator(31337 + static_cast<quint32>(variant), variant);
        Database sent = generator.configuration();
        const Database before = Decoded(emulator.emulator().memory());

        const UploadResult uploaded = session.upload(sent, true);
        ASSERT_EQ(uploaded.outcome, UploadOutcome::Completed)
            << session.complaints().join(u'\n').toStdString();
        Database back;
        const DownloadResult downloaded = session.download(back, dir.path());
        ASSERT_EQ(downloaded.outcome, DownloadOutcome::Done) << downloaded.error.toStdString();
        EXPECT_EQ(downloaded.chunks, 4096);
        EXPECT_TRUE(downloaded.ostrikComplete);
        EXPECT_TRUE(session.complaints().isEmpty())
            << session.complaints().join(u'\n').toStdString();
        QStringList differences = back.differences(Expected(sent, before));
        EXPECT_TRUE(differences.isEmpty()) << differences.join(u'\n').toStdString();

        // Random edits, sent as changes only, come back the same way.
        const Database old = sent;
        const Database beforeEdits = Decoded(emulator.emulator().memory());
        const QStringList edited = generator.edit(sent, 40);
        sent.setAllPending(false);
        markChangedSince(sent, old);
        ASSERT_EQ(session.upload(sent, false).outcome, UploadOutcome::Completed)
            << session.complaints().join(u'\n').toStdString();
        Database again;
        ASSERT_EQ(session.download(again, dir.path()).outcome, DownloadOutcome::Done);
        differences = again.differences(Expected(sent, beforeEdits));
        EXPECT_TRUE(differences.isEmpty()) << "edited: " << edited.join(u' ').toStdString() << "\n"
                                           << differences.join(u'\n').toStdString();
    }
}

} // namespace
} // namespace kovo::roundtrip
