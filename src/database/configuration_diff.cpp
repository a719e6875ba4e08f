#include "configuration_diff.h"

#include "field_table.h"

#include <algorithm>

namespace kovo {
namespace {

// The editors in the main window's tab order, each with the write groups of the fields it edits.
struct EditorGroups {
    const char* caption;
    std::initializer_list<Group> groups;
};

const EditorGroups Editors[] = {
    {"Timers", {Group::Timers}},
    {"Courtesy Tones", {Group::Courtesy}},
    {"Macros", {Group::Macros, Group::PortToAllow}},
    {"Scheduler/Clock", {Group::Scheduler}},
    {"Analog Meters", {Group::Analog}},
    {"Identification", {Group::ID, Group::IDExtras}},
    {"Message Macros", {Group::MessageMacros}},
    {"DTMF Memories", {Group::DTMF}},
    {"Alarms/Remote Base", {Group::Alarms, Group::Remote}},
    {"Special Codes/Autopatch",
     {Group::Autopatch, Group::MacroSubset, Group::DTMFMuteDigitSelect, Group::Unlock}},
    {"Port Switches", {Group::PortSwitches}},
};

int editorRank(Group group) {
    for (int rank = 0; rank < static_cast<int>(std::size(Editors)); ++rank) {
        const auto& groups = Editors[rank].groups;
        if (std::find(groups.begin(), groups.end(), group) != groups.end())
            return rank;
    }
    return static_cast<int>(std::size(Editors));
}

} // namespace

QString editorForGroup(Group group) {
    const int rank = editorRank(group);
    return rank < static_cast<int>(std::size(Editors)) ? QString::fromLatin1(Editors[rank].caption)
                                                       : QString();
}

QList<FieldDifference> compareConfigurations(const Database& ours, const Database& theirs) {
    struct Ranked {
        int rank;
        FieldDifference difference;
    };
    QList<Ranked> found;
    for (const FieldSpec& field : fieldTable()) {
        for (int index = field.firstIndex(); index <= field.lastIndex(); ++index) {
            const QString& a = ours.value(field, index);
            const QString& b = theirs.value(field, index);
            if (a == b)
                continue;
            const int rank = editorRank(field.group);
            found.append({rank,
                          {editorForGroup(field.group), QString::fromLatin1(field.section),
                           fieldKey(field, index), a, b,
                           rank < static_cast<int>(std::size(Editors)) ? rank : -1,
                           QString::fromLatin1(field.name), index}});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Ranked& x, const Ranked& y) { return x.rank < y.rank; });
    QList<FieldDifference> differences;
    differences.reserve(found.size());
    for (Ranked& ranked : found)
        differences.append(std::move(ranked.difference));
    return differences;
}

} // namespace kovo
