#include "database/profile_file.h"
#include "editors/controller_action_runner.h"
#include "link/memory_image.h"
#include "shell_fixture.h"

using namespace Qt::StringLiterals;

namespace kovo::testing {
namespace {

class ControllerActionsTest : public ShellTest {};

// The editors' actions run as jobs on the link thread, one at a time, write the open database
// file first and report through the program's message boxes.
TEST_F(ControllerActionsTest, EditorsSendActionsThroughTheLinkThread) {
    KovoMain& main = startOnEmulator();
    ControllerActionRunner* runner = main.editor(SpecialCodesTab)->actionRunner();
    ASSERT_NE(runner, nullptr);
    EXPECT_EQ(main.editor(TimersTab)->actionRunner(), runner);

    ControllerAction lock;
    lock.kind = ControllerAction::Kind::ChangeLockCode;
    lock.newCode = u"C"_s;
    std::optional<bool> result;
    ASSERT_TRUE(runner->run(lock, [&](bool succeeded) { result = succeeded; }));
    EXPECT_FALSE(runner->run(lock)) << "a second action while the first runs";
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 60000));
    EXPECT_TRUE(*result);
    EXPECT_EQ(messages.messageTexts(),
              QStringList{u"New Lock Code Has Been Successfully Sent To The Tarsis"_s});
    EXPECT_EQ(readIni(u"Unlock", u"Lock", main.currentDatabaseFile()), u"C"_s);
    Database controller;
    applyMemoryImage(emulator->memory().bytes(), controller);
    EXPECT_EQ(controller.value(u"Lock"), u"C"_s);
}

} // namespace
} // namespace kovo::testing
