// load and save of a complete database file, against QSettings reading the same file.
#include "bench.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/field_table.h"

#include <QSettings>
#include <QTemporaryDir>

namespace kovo::bench {
namespace {

// A configuration with a non-default value in every kind of field, so the file is full size.
Database fullConfiguration() {
    Database db;
    for (int i = 1; i <= 40; ++i) {
        db.setValue(u"Macro", i, QStringLiteral("001 002 003 004 005 006 007 008 009 010"));
        db.setValue(u"MessageMacro", i, QStringLiteral("GOOD MORNING THIS IS THE REPEATER"));
    }
    for (int i = 1; i <= 200; ++i)
        db.setValue(u"AutoDial", i, QStringLiteral("5551234567"));
    for (int i = 1; i <= 100; ++i)
        db.setValue(u"TollRestrict", i, QStringLiteral("1900"));
    for (int i = 1; i <= 20; ++i)
        db.setValue(u"DTMF", i, QStringLiteral("1 2 3 4 5 6 7 8 9 0 A B C"));
    for (int i = 1; i <= 10; ++i)
        db.setValue(u"FreqString", i, QStringLiteral("146940"));
    return db;
}

void databaseBench(const BenchOptions& options) {
    const int repetitions = options.quick ? 3 : 30;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("full.dat"));
    Database full = fullConfiguration();
    saveWholeDatabase(full, file);

    int keys = 0;
    const double settingsMs = bestMilliseconds(repetitions, [&] {
        QSettings settings(file, QSettings::IniFormat);
        const QStringList all = settings.allKeys();
        keys = 0;
        for (const QString& key : all)
            keys += settings.value(key).isValid() ? 1 : 0;
    });
    const double loadMs = bestMilliseconds(repetitions, [&] {
        Database db;
        ErrorLog log;
        readDatabase(db, file, log);
    });
    const double loadSaveMs = bestMilliseconds(repetitions, [&] {
        Database db;
        ErrorLog log;
        readDatabase(db, file, log);
        saveWholeDatabase(db, file);
    });
    note(QStringLiteral("database.keys"), QString::number(keys) + QStringLiteral(" keys"));
    report(QStringLiteral("database.load"), loadMs, QStringLiteral("ms"), settingsMs,
           QStringLiteral("QSettings(IniFormat) reading the same file (goal ratio <= 1.0)"));
    report(QStringLiteral("database.load+save"), loadSaveMs, QStringLiteral("ms"), 10.0,
           QStringLiteral("the limit (goal ratio <= 1.0)"));
}

const BenchRegistration registration("database", databaseBench);

} // namespace
} // namespace kovo::bench
