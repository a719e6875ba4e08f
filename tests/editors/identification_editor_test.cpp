#include "database/database_file.h"
#include "database/error_log.h"
#include "editors/identification_editor.h"
#include "editors/recording_message_service.h"
#include "word_editor_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>

namespace kovo {
namespace {

using namespace kovo::testing;

const QString NotAWord = QStringLiteral("That is not a valid vocabulary word. Please try again");
const QString NotCw = QStringLiteral("That is not a valid CW character. Please try again");

class IdentificationEditorTest : public ::testing::Test {
protected:
    template <typename T = QLineEdit> T* get(const QString& name) const {
        auto* found = editor->control<T>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    void open() { editor = std::make_unique<IdentificationEditor>(db, messages); }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<IdentificationEditor> editor;
};

TEST_F(IdentificationEditorTest, IdentifiersAreCheckedAndLimitedAsTheyAreTyped) {
    const char* words22 = "A B C D E F G H I J K L M N O P Q R S T U V";
    const char* tokens15 = "A B C D E F G H I J K L M N O";
    struct Case {
        const char* control;
        const char* field;
        const char* stored;
        const char* typed;
        bool left;
        const char* shown;
        QStringList messages;
        const char* title;
    };
    const Case cases[] = {
        {"VoiceID1Set(1)",
         "VoiceID1",
         "HELLO",
         " thank_you ",
         false,
         "HELLO THANK_YOU ",
         {},
         nullptr},
        {"VoiceID1Set(1)", "VoiceID1", "HELLO", " thank ", false, "HELLO ", {NotAWord}, nullptr},
        {"VoiceID2Set(3)", "VoiceID2", "NONE STORED", " ", false, "NONE STORED ", {}, nullptr},
        {"VoiceID3Set(2)", "VoiceID3", "HELLO", "  all", true, "HELLO ALL", {}, nullptr},
        {"VoiceID3Set(2)",
         "VoiceID3",
         words22,
         " ",
         false,
         words22,
         {QStringLiteral("You can only use 22 words for this message!")},
         "Try Again!"},
        {"CWID1Set(2)", "CWID1", "W 1", " x ", false, "W 1 X ", {}, nullptr},
        {"CWID1Set(2)", "CWID1", "W 1", " ab ", false, "W 1 ", {NotCw}, nullptr},
        {"CWID2Set(1)", "CWID2", "A", " - ", false, "A ", {NotCw}, nullptr},
        {"CWID2Set(1)",
         "CWID2",
         tokens15,
         " ",
         false,
         tokens15,
         {QStringLiteral("You can only use 15 characters for this message!")},
         "Try Again!"},
        {"CWSpeedSet(1)", "CWSpeed", "", "54", false, "54", {}, nullptr},
        {"CWSpeedSet(1)",
         "CWSpeed",
         "",
         "55",
         false,
         "",
         {QStringLiteral("CW speed must be less than 55 wpm.")},
         "Invalid Speed"},
        {"CWTone1Set(3)", "CWTone1", "", "3499", false, "3499", {}, nullptr},
        {"CwTone2Set(3)",
         "CWTone2",
         "",
         "3500",
         false,
         "",
         {QStringLiteral("Entry must be less than 3500 Hertz.")},
         "Invalid Tone"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + ": " + c.stored + " + " + c.typed);
        for (int port = 1; port <= 3; ++port)
            db.setValue(QLatin1String(c.field), port, QString::fromLatin1(c.stored));
        open();
        messages.clear();
        typeAtEnd(get(QString::fromLatin1(c.control)), QString::fromLatin1(c.typed));
        if (c.left)
            leave(get(QString::fromLatin1(c.control)));
        EXPECT_EQ(get(QString::fromLatin1(c.control))->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(messages.messageTexts(), c.messages);
        if (c.title) {
            EXPECT_EQ(messages.calls[0].title, QString::fromLatin1(c.title));
            EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
        }
    }
}

TEST_F(IdentificationEditorTest, ThePickListFollowsTheFocusedIdentifier) {
    db.setValue(u"CWID1", 2, QStringLiteral("W1"));
    open();
    auto* vocabulary = get<QListWidget>(QStringLiteral("VocabList"));
    auto* cw = get<QListWidget>(QStringLiteral("CwList"));
    EXPECT_EQ(cw->count(), 43);
    EXPECT_EQ(vocabulary->count(), 257);
    EXPECT_EQ(vocabulary->item(236)->text(), QStringLiteral(" "));

    focus(get(QStringLiteral("CWID1Set(2)")));
    EXPECT_TRUE(cw->isVisibleTo(editor.get()));
    EXPECT_FALSE(vocabulary->isVisibleTo(editor.get()));
    pick(cw, QStringLiteral("AR"));
    pick(vocabulary, QStringLiteral("HELLO")); // hidden: nothing
    EXPECT_EQ(get(QStringLiteral("CWID1Set(2)"))->text(), QStringLiteral("W1 AR"));
    EXPECT_EQ(get(QStringLiteral("CharCounter"))->text(), QStringLiteral("2"));

    focus(get(QStringLiteral("VoiceID2Set(2)")));
    EXPECT_TRUE(vocabulary->isVisibleTo(editor.get()));
    EXPECT_FALSE(cw->isVisibleTo(editor.get()));
    get(QStringLiteral("VoiceID2Set(2)"))->home(false);
    pick(vocabulary, QStringLiteral("HELLO"));
    EXPECT_EQ(get(QStringLiteral("VoiceID2Set(2)"))->text(), QStringLiteral("HELLO T A R S I S"));
}

TEST_F(IdentificationEditorTest, ApplySetsTheIdentifierAndExtrasFlagsAndSavesThem) {
    db.setValue(u"ID2Extras", 1, QStringLiteral("4"));
    db.setValue(u"VoiceID1", 3, QStringLiteral("GOOD   MORNING"));
    open();
    EXPECT_EQ(get(QStringLiteral("VoiceID1Set(3)"))->text(), QStringLiteral("GOOD MORNING"));
    EXPECT_TRUE(get<QCheckBox>(QStringLiteral("ID2Check(1)"))->isChecked());
    EXPECT_EQ(get<QComboBox>(QStringLiteral("ID2ExtrasSet(1)"))->currentText(),
              QStringLiteral("Time After ID"));
    EXPECT_TRUE(get<QComboBox>(QStringLiteral("ID1ExtrasSet(2)"))->isHidden());

    typeAtEnd(get(QStringLiteral("VoiceID2Set(3)")), QStringLiteral(" hello"));
    get<QCheckBox>(QStringLiteral("ID1Check(2)"))->setChecked(true);
    EXPECT_FALSE(get<QComboBox>(QStringLiteral("ID1ExtrasSet(2)"))->isHidden());
    get<QComboBox>(QStringLiteral("ID1ExtrasSet(2)"))->setCurrentIndex(8);
    get<QCheckBox>(QStringLiteral("ID2Check(1)"))->setChecked(false);
    get<QCheckBox>(QStringLiteral("SpeechEnabled(1)"))->setChecked(false);
    editor->apply();
    EXPECT_EQ(db.pendingNames(), (QStringList{QStringLiteral("VoiceID2Pending(3)"),
                                              QStringLiteral("SpeechEnablePending(1)"),
                                              QStringLiteral("ID1ExtrasPending(2)"),
                                              QStringLiteral("ID2ExtrasPending(1)")}));
    EXPECT_TRUE(db.groupChanged(Group::ID));
    EXPECT_TRUE(db.groupChanged(Group::IDExtras));
    EXPECT_FALSE(db.settingsSaved());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("words.dat"));
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    Database loaded;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(loaded, path, log).errorLines.isEmpty());
    EXPECT_EQ(loaded.value(u"VoiceID2", 3), QStringLiteral("T A R S I S HELLO"));
    EXPECT_EQ(loaded.value(u"ID1Extras", 2), QStringLiteral("9"));
    EXPECT_EQ(loaded.value(u"ID2Extras", 1), QStringLiteral("0"));
    EXPECT_EQ(loaded.value(u"SpeechEnable", 1), QStringLiteral("0"));
}

TEST_F(IdentificationEditorTest, AppliedIdentifiersReachTheControllerAndComeBack) {
    EmulatedTarsis tarsis;
    open();
    typeAtEnd(get(QStringLiteral("VoiceID1Set(2)")), QStringLiteral(" repeater"));
    typeAtEnd(get(QStringLiteral("CWID2Set(1)")), QStringLiteral(" / R"));
    get<QCheckBox>(QStringLiteral("ID3Check(3)"))->setChecked(true);
    get<QComboBox>(QStringLiteral("ID3ExtrasSet(3)"))->setCurrentIndex(10);
    editor->apply();
    ASSERT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u'\n').toStdString();
    EXPECT_FALSE(db.anyPending());

    Database back = tarsis.download(Database());
    IdentificationEditor reopened(back, messages);
    EXPECT_EQ(reopened.control<QLineEdit>(QStringLiteral("VoiceID1Set(2)"))->text(),
              QStringLiteral("T A R S I S REPEATER"));
    EXPECT_EQ(reopened.control<QLineEdit>(QStringLiteral("CWID2Set(1)"))->text(),
              QStringLiteral("T A R S I S / R"));
    EXPECT_EQ(reopened.control<QComboBox>(QStringLiteral("ID3ExtrasSet(3)"))->currentText(),
              QStringLiteral("Random Rotation"));
}

} // namespace
} // namespace kovo
