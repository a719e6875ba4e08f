#include "database_file.h"

#include "field_table.h"
#include "profile_file.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace kovo {
namespace {

QString withoutBlanks(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (c != QLatin1Char(' '))
            result += c;
    }
    return result;
}

// "001002 003" -> "001 002 003": the digits regrouped in threes from the left.
QString groupInThrees(const QString& text) {
    const QString digits = withoutBlanks(text);
    QString result;
    for (qsizetype at = 0; at < digits.size(); at += 3) {
        if (!result.isEmpty())
            result += QLatin1Char(' ');
        result += digits.mid(at, 3);
    }
    return result;
}

// "12A#" -> "1 2 A #".
QString spaceEveryCharacter(const QString& text) {
    const QString characters = withoutBlanks(text);
    QString result;
    for (QChar c : characters) {
        if (!result.isEmpty())
            result += QLatin1Char(' ');
        result += c;
    }
    return result;
}

// Only a-z are raised: any other character, whatever its encoding, is kept as it is.
QString asciiCapitals(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return result;
}

const QString NoneStored = QStringLiteral("NONE STORED");

QString normaliseBeforeCheck(const FieldSpec& field, const QString& value) {
    switch (field.normalisation) {
    case LoadNormalisation::MacroGrouping:
        return value == NoneStored ? value : groupInThrees(value);
    case LoadNormalisation::DtmfSpacing:
        return value == NoneStored ? value : spaceEveryCharacter(value);
    case LoadNormalisation::Capitals:
        return asciiCapitals(value);
    case LoadNormalisation::None:
    case LoadNormalisation::CwTone:
        break;
    }
    return value;
}

bool accepted(const FieldSpec& field, const QString& value) {
    if (field.check == LoadCheck::None)
        return true;
    if (value.isEmpty())
        return false;
    switch (field.check) {
    case LoadCheck::None:
    case LoadCheck::NotEmpty:
        return true;
    case LoadCheck::AtMost:
        return numericValue(value) <= field.high;
    case LoadCheck::Between: {
        const double number = numericValue(value);
        return number >= field.low && number <= field.high;
    }
    case LoadCheck::LengthAtMost:
        return value.size() <= field.high;
    case LoadCheck::HoursOrAtMost:
        return value == QLatin1String("0A") || numericValue(value) <= field.high;
    case LoadCheck::MessageNumber:
        return numericValue(value) <= field.high && value != QLatin1String("0");
    }
    return true;
}

template <typename Visit> void forEachKey(const QVector<OrderBlock>& order, Visit visit) {
    for (const OrderBlock& block : order) {
        for (int i = block.first; i <= block.last; ++i) {
            for (const FieldSpec* field : block.fields)
                visit(block, *field, i);
        }
    }
}

} // namespace

LoadReport readDatabase(Database& db, const QString& path, ErrorLog& log,
                        PreAccessWriteBack writeBack) {
    LoadReport report;
    ProfileFile file = ProfileFile::load(path);
    report.fileReadable = file.ok();

    QHash<const char*, int> sections; // section name -> its place in the file
    forEachKey(readingOrder(), [&](const OrderBlock&, const FieldSpec& field, int index) {
        const QLatin1String name(field.name);
        auto section = sections.constFind(field.section);
        if (section == sections.cend())
            section =
                sections.insert(field.section, file.sectionIndex(QLatin1String(field.section)));
        QString value =
            normaliseBeforeCheck(field, file.read(section.value(), fieldKeyFolded(field, index)));
        const bool ok = accepted(field, value);
        if (ok) {
            if (field.normalisation == LoadNormalisation::CwTone && value.size() < 4)
                value.prepend(QLatin1Char('0'));
            db.setValue(field, index, value);
            if (name == QLatin1String("Lock"))
                db.setStoredLock(value);
            else if (name == QLatin1String("Terminator"))
                db.setStoredTerminator(value);
            return;
        }
        const QString fallback = fieldDefault(field, index);
        db.setValue(field, index, fallback);
        db.setGroupChanged(field.group);
        // A defaulted Lock sets both copies; a defaulted Terminator only the working one.
        if (name == QLatin1String("Lock"))
            db.setStoredLock(fallback);
        const QString line = fieldErrorLine(field, index);
        if (!line.isEmpty()) {
            log.append(line);
            report.errorLines.append(line);
        }
    });

    for (int alarm = 1; alarm <= 10; ++alarm)
        db.setMeterAlarmOn(alarm, db.value(u"MeterAlarmType", alarm) != QLatin1String("0"));

    report.clash = db.value(u"Lock") == db.value(u"Terminator");
    db.setLockTerminatorClash(report.clash);
    if (!report.errorLines.isEmpty())
        db.setLoadErrors(true);

    report.configuration =
        std::any_of(sections.cbegin(), sections.cend(), [](int section) { return section >= 0; });
    // A configuration without a pre-access prefix gains one at once, as the controller's
    // programmers have always done. A file that does not exist is not created by a mere load, and
    // one that is not a configuration, or was not read cleanly, is never touched.
    if (writeBack == PreAccessWriteBack::Yes && file.existed() && file.ok() && file.clean() &&
        report.configuration && file.read(u"PreAccess", u"PreAccessPrefix").isEmpty()) {
        file.write(u"PreAccess", u"PreAccessPrefix", QStringLiteral("0"));
        file.save(path);
    }

    db.setSettingsSaved(true);
    return report;
}

namespace {

// Writes the groups whose write flags are set (Unlock always) into `file` in the writing order.
void writeChangedGroups(Database& db, ProfileFile& file) {
    if (db.groupChanged(Group::PortSwitches)) {
        for (int port = 1; port <= 3; ++port) {
            for (const char* name : {"P1MessageNum", "P2MessageNum", "P3MessageNum"}) {
                if (db.value(QLatin1String(name), port) == QLatin1String("0"))
                    db.setValue(QLatin1String(name), port, QStringLiteral("1"));
            }
            if (db.value(u"PLEncodePolarity", port).isEmpty())
                db.setValue(u"PLEncodePolarity", port, QStringLiteral("0"));
        }
    }

    forEachKey(writingOrder(), [&](const OrderBlock& block, const FieldSpec& field, int index) {
        if (block.group != Group::Unlock && !db.groupChanged(block.group))
            return;
        const QLatin1String name(field.name);
        QString value = db.value(field, index);
        if (name == QLatin1String("Lock"))
            value = db.storedLock();
        else if (name == QLatin1String("Terminator"))
            value = db.storedTerminator();
        file.write(QLatin1String(field.section), QLatin1String(fieldKeyLatin1(field, index)),
                   value);
    });
}

} // namespace

SaveResult writeDatabase(Database& db, const QString& path) {
    ProfileFile file = ProfileFile::load(path);
    if (!file.ok())
        return {false, QStringLiteral("Cannot read \"%1\" to update it.").arg(path)};
    writeChangedGroups(db, file);

    QString reason;
    if (!file.save(path, &reason)) {
        return {false, QStringLiteral("The database could not be saved to \"%1\": %2")
                           .arg(QFileInfo(path).absoluteFilePath(), reason)};
    }
    db.setAllGroupsChanged(false);
    db.setSettingsSaved(true);
    return {};
}

SaveResult saveWholeDatabase(Database& db, const QString& path) {
    db.setAllGroupsChanged(true);
    return writeDatabase(db, path);
}

QByteArray wholeDatabaseBytes(const Database& db) {
    Database copy = db;
    copy.setAllGroupsChanged(true);
    ProfileFile file;
    writeChangedGroups(copy, file);
    return file.toBytes();
}

} // namespace kovo
