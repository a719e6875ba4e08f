#include "database/database_file.h"
#include "database/error_log.h"
#include "editors/message_macros_editor.h"
#include "editors/recording_message_service.h"
#include "word_editor_support.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>

namespace kovo {
namespace {

using namespace kovo::testing;

const QString NotAWord = QStringLiteral("That is not a valid vocabulary word. Please try again");
const QString NineWords = QStringLiteral("You can only use 9 words for this message!");

class MessageMacrosEditorTest : public ::testing::Test {
protected:
    QLineEdit* box(int i) const {
        return editor->control<QLineEdit>(QStringLiteral("MessageSet(%1)").arg(i));
    }
    void open() { editor = std::make_unique<MessageMacrosEditor>(db, messages); }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<MessageMacrosEditor> editor;
};

TEST_F(MessageMacrosEditorTest, WordsAreCheckedCountedAndLimitedAsTheyAreTypedOrPicked) {
    struct Case {
        const char* stored;
        const char* typed;  // typed at the end of the box
        const char* picked; // then double-clicked in the vocabulary
        bool left;          // then the box is left
        const char* shown;
        const char* count;
        QStringList messages;
    };
    const QString nine = QStringLiteral("ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE");
    const Case cases[] = {
        {"NONE STORED", "thank_you ", nullptr, false, "THANK_YOU ", "2", {}},
        {"NONE STORED", "thank ", nullptr, false, "", "1", {NotAWord}},
        {"HELLO", " stand", nullptr, true, "HELLO", "2", {NotAWord}},
        {"HELLO", "  all", nullptr, false, "HELLO  ALL", "3", {}},
        {"HELLO", "  all", nullptr, true, "HELLO ALL", "3", {}},
        {"HELLO", " none ", nullptr, true, "HELLO", "3", {NotAWord}},
        {"ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE",
         " ",
         nullptr,
         false,
         "ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE",
         "9",
         {NineWords}},
        {"NONE STORED", "", "SILENCE(PAUSE)", false, "SILENCE(PAUSE)", "1", {}},
        {"HELLO", "", "DVR20", false, "HELLO DVR20", "2", {}},
        {"ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE",
         "",
         "TEN",
         false,
         "ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE",
         "9",
         {NineWords}},
        {"NONE STORED", "", nullptr, true, "NONE STORED", "1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " + " + c.typed);
        db.setValue(u"MessageMacro", 3, QString::fromLatin1(c.stored));
        open();
        messages.clear();
        EXPECT_FALSE(editor->control<QListWidget>(QStringLiteral("VocabList"))->isEnabled());
        typeAtEnd(box(3), QString::fromLatin1(c.typed));
        EXPECT_TRUE(editor->control<QListWidget>(QStringLiteral("VocabList"))->isEnabled());
        if (c.picked)
            pick(editor->control<QListWidget>(QStringLiteral("VocabList")),
                 QString::fromLatin1(c.picked));
        const QString count = editor->control<QLineEdit>(QStringLiteral("CharCounter"))->text();
        if (c.left)
            leave(box(3));
        EXPECT_EQ(box(3)->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(count, QString::fromLatin1(c.count));
        EXPECT_EQ(messages.messageTexts(), c.messages);
        if (c.messages.value(0) == NineWords) {
            EXPECT_EQ(messages.calls[0].title, QStringLiteral("Try Again!"));
            EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
        }
    }
}

TEST_F(MessageMacrosEditorTest, ApplySetsTheChangedMessagesFlagsAndSavesThem) {
    db.setValue(u"MessageMacro", 4, QStringLiteral("GOOD  MORNING"));
    open();
    EXPECT_EQ(box(4)->text(), QStringLiteral("GOOD MORNING"));
    typeAtEnd(box(3), QStringLiteral("weather alert stand"));
    box(4)->clear();
    editor->apply(); // with message 3 still focused
    EXPECT_EQ(messages.messageTexts(), QStringList{NotAWord});
    EXPECT_EQ(db.pendingNames(), (QStringList{QStringLiteral("MessageMacroPending(3)"),
                                              QStringLiteral("MessageMacroPending(4)")}));
    EXPECT_TRUE(db.groupChanged(Group::MessageMacros));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(box(4)->text(), QStringLiteral("NONE STORED"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("words.dat"));
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    Database loaded;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(loaded, path, log).errorLines.isEmpty());
    EXPECT_EQ(loaded.value(u"MessageMacro", 3), QStringLiteral("WEATHER ALERT"));
    EXPECT_EQ(loaded.value(u"MessageMacro", 4), QStringLiteral("NONE STORED"));
}

TEST_F(MessageMacrosEditorTest, AnAppliedMessageReachesTheControllerAndComesBack) {
    EmulatedTarsis tarsis;
    open();
    typeAtEnd(box(12), QStringLiteral("the_time_is thank_you dvr7"));
    editor->apply();
    ASSERT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u'\n').toStdString();
    EXPECT_FALSE(db.anyPending());

    Database back = tarsis.download(Database());
    MessageMacrosEditor reopened(back, messages);
    EXPECT_EQ(reopened.control<QLineEdit>(QStringLiteral("MessageSet(12)"))->text(),
              QStringLiteral("THE_TIME_IS THANK_YOU DVR7"));
}

TEST_F(MessageMacrosEditorTest, RecordingSendsTheChosenFileToTheChosenTrack) {
    open();
    editor->control<QPushButton>(QStringLiteral("SendToTarsis"))->click();
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral("No link to the Tarsis is available.")});

    for (const bool overTheAir : {false, true}) {
        SCOPED_TRACE(overTheAir ? "over the air" : "serial");
        TarsisMemory memory;
        ActionRig rig(db, memory, overTheAir);
        open();
        editor->setActionRunner(&rig.runner());
        QStringList asked;
        editor->setFileChooser([&](const QString& title, const QString& filter) {
            asked << title << filter;
            return std::optional<QString>(rig.silentWav());
        });
        editor->control<QPushButton>(QStringLiteral("GetFile"))->click();
        EXPECT_EQ(asked, (QStringList{QStringLiteral("Open Wav File"),
                                      QStringLiteral("Wav Files (*.wav)")}));
        editor->control<QComboBox>(QStringLiteral("DVRTrackSet"))->setCurrentIndex(6);
        editor->control<QPushButton>(QStringLiteral("SendToTarsis"))->click();
        rig.hear();
        EXPECT_EQ(memory.keptValue(QStringLiteral("DVRTrack(7)")), QStringLiteral("1"));
        EXPECT_EQ(rig.person.messageTexts(),
                  QStringList{QStringLiteral("Wav File Upload Complete.")});
        EXPECT_TRUE(editor->control<QPushButton>(QStringLiteral("SendToTarsis"))->isEnabled());
    }
}

} // namespace
} // namespace kovo
