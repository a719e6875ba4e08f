#pragma once
// Whole files read and written by the tests. A file that cannot be read reads as "(missing)", so
// it never equals the bytes of one that could, nor an empty file.
#include <QFile>
#include <gtest/gtest.h>

namespace kovo::test {

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}

} // namespace kovo::test
