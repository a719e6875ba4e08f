#include "shell/editor_factory.h"
#include "shell_fixture.h"

#include <QCheckBox>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace kovo::testing {
namespace {

class PortEditorsTest : public ShellTest {};

// Leaving a tab applies its editor; what the timers and port switches editors derive from each
// other shows in the other at once, so its own Apply keeps it.
TEST_F(PortEditorsTest, TimersAndPortSwitchesTabsStayInStep) {
    KovoMain& main = startWithSample();
    main.tabStrip()->setCurrentIndex(PortSwitchesTab);
    auto* disable = main.editor(PortSwitchesTab)->findChild<QCheckBox*>(u"DisableTimeout(2)"_s);
    ASSERT_NE(disable, nullptr);
    ASSERT_FALSE(disable->isChecked());
    disable->click();
    main.tabStrip()->setCurrentIndex(TimersTab);
    auto* inactive = main.editor(TimersTab)->findChild<QLineEdit*>(u"InactiveTimer(2)"_s);
    ASSERT_NE(inactive, nullptr);
    EXPECT_EQ(inactive->text(), u"0"_s);
    EXPECT_EQ(db.value(u"InActiveTime", 2), u"0"_s);

    inactive->selectAll();
    QTest::keyClicks(inactive, u"12"_s);
    main.tabStrip()->setCurrentIndex(PortSwitchesTab);
    EXPECT_FALSE(disable->isChecked());
    main.tabStrip()->setCurrentIndex(TimersTab);
    EXPECT_EQ(db.value(u"InActiveTime", 2), u"12"_s);
    EXPECT_EQ(db.value(u"DisableTimeout", 2), u"0"_s);
}

TEST_F(PortEditorsTest, TheDateFormatGoesIntoTheOpenFile) {
    KovoMain& main = startWithSample();
    main.tabStrip()->setCurrentIndex(SchedulerTab);
    auto* international =
        main.editor(SchedulerTab)->findChild<QRadioButton*>(u"InternationalDate"_s);
    ASSERT_NE(international, nullptr);
    international->click();
    QFile file(main.currentDatabaseFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\r\nDateFormat=True\r\n"));
}

} // namespace
} // namespace kovo::testing
