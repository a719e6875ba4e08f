#include "editor_test_support.h"
#include "editors/alarms_editor.h"
#include "editors/analog_meters_editor.h"
#include "editors/recording_message_service.h"
#include "editors/special_codes_editor.h"
#include "link/download.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace kovo {
namespace {

using namespace kovo::test;
using kovo::testing::EmulatedTarsis;

// Each site editor's changes travel the whole road: edited, applied, sent by "Update Changes
// Only" to the emulated Tarsis, downloaded into a fresh database (with the Ostrik board's
// records), and shown again by a reopened editor.
class SiteEditorsRoundTripTest : public ::testing::Test {
protected:
    template <typename T> static T* in(const QWidget& editor, const char* name) {
        auto* found = editor.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // The controller's configuration as a download reads it.
    Database sendAndDownload() {
        EXPECT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u' ').toStdString();
        EXPECT_FALSE(db.anyPending());
        Database downloaded = tarsis.download(Database());
        applyOstrikRecords(tarsis.memory().ostrikRecords(), downloaded);
        return downloaded;
    }

    Database db;
    RecordingMessageService messages;
    EmulatedTarsis tarsis;
};

TEST_F(SiteEditorsRoundTripTest, AnalogMeters) {
    AnalogMetersEditor editor(db, messages);
    choose(in<QComboBox>(editor, "MeterType(3)"), QStringLiteral("Percent"));
    typeInto(in<QLineEdit>(editor, "RealHighSetting(3)"), QStringLiteral("100"));
    typeInto(in<QLineEdit>(editor, "MeterHighSetting(3)"), QStringLiteral("200"));
    typeInto(in<QLineEdit>(editor, "VrefSetting"), QStringLiteral("480"));
    choose(in<QComboBox>(editor, "MeterAlarmNumSet"), QStringLiteral("4"));
    choose(in<QComboBox>(editor, "MeterAlarmTypeSet"), QStringLiteral("High"));
    choose(in<QComboBox>(editor, "MeterNumSet"), QStringLiteral("3"));
    typeInto(in<QLineEdit>(editor, "MeterSetPointSet"), QStringLiteral("90"));
    choose(in<QComboBox>(editor, "MeterMacroSet"), QStringLiteral("12"));
    editor.apply();

    Database downloaded = sendAndDownload();
    AnalogMetersEditor reopened(downloaded, messages);
    EXPECT_EQ(in<QComboBox>(reopened, "MeterType(3)")->currentText(), QStringLiteral("Percent"));
    EXPECT_EQ(in<QLineEdit>(reopened, "RealHighSetting(3)")->text(), QStringLiteral("100"));
    EXPECT_EQ(in<QLineEdit>(reopened, "MeterHighSetting(3)")->text(), QStringLiteral("200"));
    EXPECT_EQ(in<QLineEdit>(reopened, "VrefSetting")->text(), QStringLiteral("480"));
    // The memory image does not carry the meter alarms: the controller took them (no command was
    // refused) and the download leaves the database's values as they were.
}

TEST_F(SiteEditorsRoundTripTest, AlarmsAndRemoteBase) {
    AlarmsEditor editor(db, messages);
    choose(in<QComboBox>(editor, "AlarmNumSet"), QStringLiteral("2"));
    choose(in<QComboBox>(editor, "UseLowMacroSet"), QStringLiteral("05"));
    choose(in<QComboBox>(editor, "RadioType"), QStringLiteral("Orbisk"));
    typeInto(in<QLineEdit>(editor, "RemoteBasePrefixSet"), QStringLiteral("C7"));
    choose(in<QComboBox>(editor, "OtherMemoryNum"), QStringLiteral("3"));
    typeInto(in<QLineEdit>(editor, "OtherFreqStringSet"), QStringLiteral("146.52"));
    in<QRadioButton>(editor, "OtherPlus")->click();
    typeInto(in<QLineEdit>(editor, "OtherCTCSSSet"), QStringLiteral("12"));
    in<QRadioButton>(editor, "OtherDecode")->click();
    in<QRadioButton>(editor, "USBSet")->click();
    editor.apply();

    Database downloaded = sendAndDownload();
    AlarmsEditor reopened(downloaded, messages);
    choose(in<QComboBox>(reopened, "AlarmNumSet"), QStringLiteral("2"));
    EXPECT_EQ(in<QComboBox>(reopened, "UseLowMacroSet")->currentText(), QStringLiteral("05"));
    EXPECT_EQ(in<QComboBox>(reopened, "RadioType")->currentText(), QStringLiteral("Orbisk"));
    EXPECT_EQ(in<QLineEdit>(reopened, "RemoteBasePrefixSet")->text(), QStringLiteral("C7"));
    choose(in<QComboBox>(reopened, "OtherMemoryNum"), QStringLiteral("3"));
    EXPECT_EQ(in<QLineEdit>(reopened, "OtherFreqStringSet")->text(), QStringLiteral("146520"));
    EXPECT_TRUE(in<QRadioButton>(reopened, "OtherPlus")->isChecked());
    EXPECT_EQ(in<QLineEdit>(reopened, "OtherCTCSSSet")->text(), QStringLiteral("12"));
    EXPECT_TRUE(in<QRadioButton>(reopened, "OtherDecode")->isChecked());
    EXPECT_TRUE(in<QRadioButton>(reopened, "USBSet")->isChecked());
}

TEST_F(SiteEditorsRoundTripTest, SpecialCodesAndAutopatch) {
    SpecialCodesEditor editor(db, messages);
    choose(in<QComboBox>(editor, "AutoDialSlotSet"), QStringLiteral("7"));
    typeInto(in<QLineEdit>(editor, "AutoDialNumberSet"), QStringLiteral("5551234"));
    for (const char* number : {"900", "976"}) {
        typeInto(in<QLineEdit>(editor, "TollRestrictSet"), QString::fromLatin1(number));
        in<QPushButton>(editor, "TollAdd")->click();
    }
    typeInto(in<QLineEdit>(editor, "RingNumberSet"), QStringLiteral("4"));
    typeInto(in<QLineEdit>(editor, "APTimeOutSet"), QStringLiteral("60"));
    typeInto(in<QLineEdit>(editor, "APPrefixSet"), QStringLiteral("A7"));
    choose(in<QComboBox>(editor, "EnablePatchSet"), QStringLiteral("Ports 2 & 3"));
    choose(in<QComboBox>(editor, "DTMFPortSet"), QStringLiteral("Port 3"));
    typeInto(in<QLineEdit>(editor, "MacroRangeSet"), QStringLiteral("2030"));
    in<QRadioButton>(editor, "SecondDigitSet")->click();
    editor.apply();
    EXPECT_TRUE(db.pending(u"DTMFMuteDigitSelectPending"));

    Database downloaded = sendAndDownload();
    SpecialCodesEditor reopened(downloaded, messages);
    choose(in<QComboBox>(reopened, "AutoDialSlotSet"), QStringLiteral("7"));
    EXPECT_EQ(in<QLineEdit>(reopened, "AutoDialNumberSet")->text(), QStringLiteral("5551234"));
    auto* toll = in<QListWidget>(reopened, "TollRestrictList");
    ASSERT_EQ(toll->count(), 2);
    EXPECT_EQ(toll->item(0)->text(), QStringLiteral("900"));
    EXPECT_EQ(toll->item(1)->text(), QStringLiteral("976"));
    EXPECT_EQ(in<QLineEdit>(reopened, "RingNumberSet")->text(), QStringLiteral("4"));
    EXPECT_EQ(in<QLineEdit>(reopened, "APTimeOutSet")->text(), QStringLiteral("60"));
    EXPECT_EQ(in<QLineEdit>(reopened, "APPrefixSet")->text(), QStringLiteral("A7"));
    EXPECT_EQ(in<QComboBox>(reopened, "EnablePatchSet")->currentText(),
              QStringLiteral("Ports 2 & 3"));
    EXPECT_EQ(in<QComboBox>(reopened, "DTMFPortSet")->currentText(), QStringLiteral("Port 3"));
    EXPECT_EQ(in<QLineEdit>(reopened, "MacroRangeSet")->text(), QStringLiteral("2030"));
    // The mute digit lives outside the memory image: it was sent, and is not read back.
}

} // namespace
} // namespace kovo
