#include "database/database_file.h"
#include "database/error_log.h"
#include "editors/dtmf_memories_editor.h"
#include "editors/recording_message_service.h"
#include "word_editor_support.h"

#include <QLabel>
#include <QTemporaryDir>

namespace kovo {
namespace {

using namespace kovo::testing;

class DtmfMemoriesEditorTest : public ::testing::Test {
protected:
    QLineEdit* box(const QString& name) const { return editor->control<QLineEdit>(name); }
    void open() { editor = std::make_unique<DtmfMemoriesEditor>(db, messages); }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<DtmfMemoriesEditor> editor;
};

TEST_F(DtmfMemoriesEditorTest, DigitsAreCheckedCountedAndLimitedAsTheyAreTypedOrPicked) {
    const QString invalid = QStringLiteral("That is not a valid DTMF Digit. Try again");
    const QString terminator =
        QStringLiteral("The entered digit is the same as your presently defined DTMF Terminator "
                       "Digit and therefore may not be used");
    const QString limit = QStringLiteral("You can only use 10  digits for this memory!");
    struct Case {
        const char* stored;
        const char* typed;  // typed at the end of the box
        const char* picked; // then double-clicked in the digit list
        const char* shown;
        const char* count;
        QString message;
    };
    const Case cases[] = {
        {"1 2", " 5", nullptr, "1 2 5", "3", {}},
        {"NONE STORED", "#", nullptr, "", "1", terminator},
        {"1", " e", nullptr, "1", "1", invalid},
        {"1 2 3 4 5 6 7 8 9 0", " ", nullptr, "1 2 3 4 5 6 7 8 9 0", "10", limit},
        {"NONE STORED", "", "A", "A", "1", {}},
        {"1 2", "", "*", "1 2 *", "3", {}},
        {"1 2", "", "#", "1 2", "2", terminator},
        {"1 2 3 4 5 6 7 8 9 0", "", "B", "1 2 3 4 5 6 7 8 9 0", "10", limit},
    };
    db.setValue(u"Terminator", QStringLiteral("#"));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " + " + c.typed);
        db.setValue(u"DTMF", 4, QString::fromLatin1(c.stored));
        open();
        messages.clear();
        QLineEdit* memory = box(QStringLiteral("DTMFSet(4)"));
        typeAtEnd(memory, QString::fromLatin1(c.typed));
        if (c.picked)
            pick(editor->control<QListWidget>(QStringLiteral("DTMFList")),
                 QString::fromLatin1(c.picked));
        EXPECT_EQ(memory->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(editor->workingCopy(u"DTMF", 4), QString::fromLatin1(c.shown));
        EXPECT_EQ(box(QStringLiteral("DigitCounter"))->text(), QString::fromLatin1(c.count));
        EXPECT_EQ(messages.messageTexts(),
                  c.message.isEmpty() ? QStringList() : QStringList{c.message});
        if (c.message == limit) {
            EXPECT_EQ(messages.calls[0].title, QStringLiteral("Try Again!"));
            EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
        }
    }

    for (const char* typed : {"255", "256"}) {
        open();
        messages.clear();
        QLineEdit* duration = box(QStringLiteral("DTMFDurSet"));
        duration->clear();
        typeAtEnd(duration, QString::fromLatin1(typed));
        const bool refused = QByteArray(typed) == "256";
        EXPECT_EQ(duration->text(), refused ? QString() : QStringLiteral("255"));
        EXPECT_EQ(messages.messageTexts(),
                  refused
                      ? QStringList{QStringLiteral("Value must be between 0 and 255. Try again.")}
                      : QStringList());
    }
}

TEST_F(DtmfMemoriesEditorTest, ApplySetsTheChangedMemoriesFlagsAndSavesThem) {
    db.setValue(u"DTMF", 5, QStringLiteral("4 5"));
    db.setSettingsSaved(true);
    open();
    QLineEdit* third = box(QStringLiteral("DTMFSet(3)"));
    typeAtEnd(third, QStringLiteral("1 2"));
    leave(third);
    box(QStringLiteral("DTMFSet(5)"))->clear();
    box(QStringLiteral("DTMFDelaySet"))->clear();
    typeAtEnd(box(QStringLiteral("DTMFDelaySet")), QStringLiteral("7"));
    EXPECT_EQ(EditorWindow::textColour(third), EditorWindow::changedColour());
    // A box focused and left untouched shows its placeholder again and changes nothing.
    focus(box(QStringLiteral("DTMFSet(6)")));
    leave(box(QStringLiteral("DTMFSet(6)")));
    EXPECT_EQ(box(QStringLiteral("DTMFSet(6)"))->text(), QStringLiteral("NONE STORED"));

    editor->apply();
    EXPECT_EQ(db.pendingNames(),
              (QStringList{QStringLiteral("DTMFPending(3)"), QStringLiteral("DTMFPending(5)"),
                           QStringLiteral("DTMFDelayPending")}));
    EXPECT_TRUE(db.groupChanged(Group::DTMF));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(box(QStringLiteral("DTMFSet(5)"))->text(), QStringLiteral("NONE STORED"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("words.dat"));
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    Database loaded;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(loaded, path, log).errorLines.isEmpty());
    EXPECT_EQ(loaded.value(u"DTMF", 3), QStringLiteral("1 2"));
    EXPECT_EQ(loaded.value(u"DTMF", 5), QStringLiteral("NONE STORED"));
    EXPECT_EQ(loaded.value(u"DTMFDelay"), QStringLiteral("7"));
}

TEST_F(DtmfMemoriesEditorTest, AnAppliedMemoryReachesTheControllerAndComesBack) {
    EmulatedTarsis tarsis;
    open();
    typeAtEnd(box(QStringLiteral("DTMFSet(2)")), QStringLiteral("9 * 1"));
    editor->apply();
    ASSERT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u'\n').toStdString();
    EXPECT_FALSE(db.anyPending());

    Database back = tarsis.download(Database());
    DtmfMemoriesEditor reopened(back, messages);
    EXPECT_EQ(reopened.control<QLineEdit>(QStringLiteral("DTMFSet(2)"))->text(),
              QStringLiteral("9 * 1"));
}

TEST_F(DtmfMemoriesEditorTest, EveryBoxAndListIsNamedByItsLabel) {
    open();
    for (const char* name :
         {"DTMFSet(1)", "DTMFSet(20)", "DTMFList", "DigitCounter", "DTMFDurSet", "DTMFDelaySet"}) {
        auto* control = editor->control<QWidget>(QString::fromLatin1(name));
        ASSERT_NE(control, nullptr) << name;
        bool labelled = false;
        for (QLabel* label : editor->findChildren<QLabel*>())
            labelled = labelled || label->buddy() == control;
        EXPECT_TRUE(labelled) << name;
    }
}

} // namespace
} // namespace kovo
