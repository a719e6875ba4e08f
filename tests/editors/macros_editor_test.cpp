#include "database/database_file.h"
#include "database/error_log.h"
#include "database/macro_functions.h"
#include "editors/macros_editor.h"
#include "editors/recording_message_service.h"
#include "word_editor_support.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

namespace kovo {
namespace {

using namespace kovo::testing;

const QString Long15 = QStringLiteral(
    "You can only use 15 functions in this macro! (remember that functions greater than 255 count "
    "as 2)");
const QString Short4 = QStringLiteral(
    "You can only use 4 functions in this macro! (remember that functions greater than 255 count "
    "as 2)");

class MacrosEditorTest : public ::testing::Test {
protected:
    QLineEdit* box(const QString& name) const { return editor->control<QLineEdit>(name); }
    void open() { editor = std::make_unique<MacrosEditor>(db, messages); }
    void pickFunction(int number) {
        auto* list = editor->control<QTreeView>(QStringLiteral("FunctionList"));
        const QModelIndexList found = list->model()->match(list->model()->index(0, 0), Qt::UserRole,
                                                           number, 1, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << number;
        emit list->doubleClicked(found.front());
    }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<MacrosEditor> editor;
};

TEST_F(MacrosEditorTest, FunctionsAreInsertedAndCountedAgainstTheMacrosCapacity) {
    const char* fifteen = "001 002 003 004 005 006 007 008 009 010 011 012 013 014 015";
    const char* sevenCalls = "401 402 403 404 405 406 407";
    struct Case {
        const char* box;
        const char* field;
        int index;
        const char* stored;
        const char* typed; // typed at the end, or nullptr
        int picked;        // function double-clicked, or 0
        const char* shown;
        const char* count;
        QString message;
    };
    const Case cases[] = {
        {"MacroSet(3)", "Macro", 3, "001 002", nullptr, 87, "001 002 087", "3", {}},
        {"MacroSet(3)", "Macro", 3, "NONE STORED", nullptr, 87, "087", "1", {}},
        {"MacroSet(3)", "Macro", 3, fifteen, nullptr, 16, fifteen, "15", Long15},
        {"MacroSet(3)", "Macro", 3, sevenCalls, nullptr, 408, sevenCalls, "14", Long15},
        {"MacroSet(3)", "Macro", 3, fifteen, " 016", 0,
         "001 002 003 004 005 006 007 008 009 010 011 012 013 014 015 016", "16", Long15},
        {"ShortMacroSet(9)", "ShortMacro", 9, "001 002 003 004", nullptr, 5, "001 002 003 004", "4",
         Short4},
        {"ShortMacroSet(9)", "ShortMacro", 9, "255 256", nullptr, 1, "255 256", "4", Short4},
        {"ShortMacroSet(9)", "ShortMacro", 9, "NONE STORED", "013 401", 0, "013 401", "3", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + ": " + c.stored);
        db.setValue(QLatin1String(c.field), c.index, QString::fromLatin1(c.stored));
        open();
        messages.clear();
        QLineEdit* macro = box(QString::fromLatin1(c.box));
        focus(macro);
        if (c.typed)
            typeAtEnd(macro, QString::fromLatin1(c.typed));
        if (c.picked)
            pickFunction(c.picked);
        EXPECT_EQ(macro->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(box(QStringLiteral("CharCounter"))->text(), QString::fromLatin1(c.count));
        EXPECT_EQ(messages.messageTexts().value(0), c.message);
        if (!c.message.isEmpty()) {
            EXPECT_EQ(messages.calls[0].title, QStringLiteral("Try Again!"));
            EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
        }
    }
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(box(QStringLiteral("ShortMacroSet(9)")), &hover);
    EXPECT_EQ(box(QStringLiteral("ShortMacroSet(9)"))->toolTip(),
              QStringLiteral("Port 1 Xmtr Enable | Call Macro 1"));
}

TEST_F(MacrosEditorTest, TheFunctionListHoldsEveryFunctionInTheControllersOrder) {
    open();
    const QAbstractItemModel* list =
        editor->control<QTreeView>(QStringLiteral("FunctionList"))->model();
    ASSERT_EQ(list->rowCount(), 483);
    QList<int> numbers;
    for (int row = 0; row < list->rowCount(); ++row)
        numbers << list->index(row, 0).data(Qt::UserRole).toInt();
    for (int missing : {255, 350, 394, 395, 396, 399, 400})
        EXPECT_FALSE(numbers.contains(missing)) << missing;
    EXPECT_EQ(numbers.mid(numbers.indexOf(349), 7),
              (QList<int>{349, 391, 392, 393, 397, 398, 351}));
    const auto entry = [&](int number) {
        const int row = static_cast<int>(numbers.indexOf(number));
        return list->index(row, 0).data().toString() + u' ' + list->index(row, 1).data().toString();
    };
    EXPECT_EQ(entry(1), QStringLiteral("001 Port 1 CTCSS Access"));
    EXPECT_EQ(entry(58), QStringLiteral("058 Port 1Courtesy Tone 10"));
    EXPECT_EQ(entry(60), QStringLiteral("060 Port 2 Courtesy Tone 2  "));
    EXPECT_EQ(entry(101), QStringLiteral("101 UF7 ON"));
    EXPECT_EQ(entry(226), QStringLiteral("226 Play Message Macro 40"));
    EXPECT_EQ(entry(490), QStringLiteral("490 Call Macro 90"));
    EXPECT_EQ(list->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Descriptiion"));
    EXPECT_EQ(MacroFunctions::describeMacro(u"060 095 118 305 307 346 999"),
              QStringLiteral("Port 2 Courtesy Tone 2 | UF1 ON  | Link Port1 to Port 2 | CTCSS "
                             "Encoder to Programmed Value | Say Year | User DVR Record, No Erase | "
                             "999"));
}

TEST_F(MacrosEditorTest, CodesAndPortAssignments) {
    open();
    QLineEdit* code = box(QStringLiteral("MacroCodeSet(12)"));
    code->clear();
    typeAtEnd(code, QStringLiteral("12345678"));
    EXPECT_TRUE(messages.calls.isEmpty());
    typeAtEnd(code, QStringLiteral("9"));
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral(
                  "This code must be 8 characters long or less. Please try again.")});
    EXPECT_EQ(code->text(), QString());
    leave(code);
    EXPECT_EQ(code->text(), QStringLiteral("109012"));
    QLineEdit* shortCode = box(QStringLiteral("ShortMacroCodeSet(1)"));
    shortCode->clear();
    leave(shortCode);
    EXPECT_EQ(shortCode->text(), QStringLiteral("109041"));

    auto* number = editor->control<QComboBox>(QStringLiteral("MacroNum"));
    auto* ports = editor->control<QComboBox>(QStringLiteral("PortToAllow"));
    emit number->activated(51);
    EXPECT_EQ(ports->currentText(), QStringLiteral("All Ports"));
    ports->setCurrentIndex(4);
    emit ports->activated(4);
    EXPECT_EQ(editor->portAssignment(52), QStringLiteral("13"));
    emit number->activated(0);
    EXPECT_EQ(ports->currentText(), QStringLiteral("All Ports"));
    emit number->activated(51);
    EXPECT_EQ(ports->currentText(), QStringLiteral("Ports 1 & 3"));
}

TEST_F(MacrosEditorTest, ApplySetsMacroAndPortFlagsAndSavesThem) {
    db.setValue(u"Macro", 7, QStringLiteral("001 002"));
    open();
    box(QStringLiteral("MacroSet(7)"))->clear();
    box(QStringLiteral("ShortMacroSet(3)"))->setText(QStringLiteral("001  002"));
    emit editor->control<QComboBox>(QStringLiteral("MacroNum"))->activated(51);
    emit editor->control<QComboBox>(QStringLiteral("PortToAllow"))->activated(4);
    editor->apply();
    EXPECT_EQ(db.pendingNames(), (QStringList{QStringLiteral("MacroPending(7)"),
                                              QStringLiteral("ShortMacroPending(3)"),
                                              QStringLiteral("PortToAllowPending(52)")}));
    EXPECT_TRUE(db.groupChanged(Group::Macros));
    EXPECT_TRUE(db.groupChanged(Group::PortToAllow));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(box(QStringLiteral("MacroSet(7)"))->text(), QStringLiteral("NONE STORED"));
    EXPECT_EQ(box(QStringLiteral("ShortMacroSet(3)"))->text(), QStringLiteral("001 002"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("words.dat"));
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    Database loaded;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(loaded, path, log).errorLines.isEmpty());
    EXPECT_EQ(loaded.value(u"Macro", 7), QStringLiteral("NONE STORED"));
    EXPECT_EQ(loaded.value(u"ShortMacro", 3), QStringLiteral("001 002"));
    EXPECT_EQ(loaded.value(u"PortToAllow", 52), QStringLiteral("13"));
}

TEST_F(MacrosEditorTest, AppliedMacrosReachTheControllerAndComeBack) {
    EmulatedTarsis tarsis;
    open();
    focus(box(QStringLiteral("MacroSet(5)")));
    for (int function : {1, 87, 401})
        pickFunction(function);
    typeAtEnd(box(QStringLiteral("ShortMacroSet(2)")), QStringLiteral("013"));
    editor->apply();
    ASSERT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u'\n').toStdString();
    EXPECT_FALSE(db.anyPending());

    Database back = tarsis.download(Database());
    MacrosEditor reopened(back, messages);
    EXPECT_EQ(reopened.control<QLineEdit>(QStringLiteral("MacroSet(5)"))->text(),
              QStringLiteral("001 087 401"));
    EXPECT_EQ(reopened.control<QLineEdit>(QStringLiteral("ShortMacroSet(2)"))->text(),
              QStringLiteral("013"));
}

TEST_F(MacrosEditorTest, EraseAllMacrosAsksThenErasesTheControllersAndEmptiesEveryBox) {
    for (const bool overTheAir : {false, true}) {
        SCOPED_TRACE(overTheAir ? "over the air" : "serial");
        db = Database();
        EmulatedTarsis tarsis;
        db.setValue(u"Macro", 1, QStringLiteral("001"));
        db.setPending(u"MacroPending", 1);
        ASSERT_TRUE(tarsis.updateChangesOnly(db));
        ActionRig rig(db, tarsis.memory(), overTheAir);
        open();
        editor->setActionRunner(&rig.runner());
        messages.clear();
        auto* erase = editor->control<QPushButton>(QStringLiteral("Erase"));
        erase->click(); // answered No
        ASSERT_EQ(messages.calls.size(), 1);
        EXPECT_EQ(messages.calls[0].text,
                  QStringLiteral("Are you sure you want to erase all macros (this will cause an "
                                 "immediate update to be sent)?"));
        EXPECT_EQ(messages.calls[0].title, QStringLiteral("Erase All Macros"));
        EXPECT_EQ(messages.calls[0].buttons, Buttons::YesNo);
        EXPECT_TRUE(rig.person.messageTexts().isEmpty());

        messages.answers = {Answer::Yes};
        erase->click();
        rig.hear();
        EXPECT_EQ(tarsis.download(Database()).value(u"Macro", 1), QStringLiteral("NONE STORED"));
        EXPECT_EQ(rig.person.messageTexts().value(0),
                  QStringLiteral("All Macros have been erased, both in Kovo and in the Tarsis. "
                                 "You should resave your dat file now to reflect these changes."));
        EXPECT_EQ(box(QStringLiteral("MacroSet(1)"))->text(), QStringLiteral("NONE STORED"));
        EXPECT_EQ(editor->workingCopy(u"Macro", 1), QStringLiteral("NONE STORED"));
        EXPECT_EQ(db.value(u"Macro", 1), QStringLiteral("001"));
        EXPECT_TRUE(erase->isEnabled());
    }
}

} // namespace
} // namespace kovo
