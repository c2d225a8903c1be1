#pragma once
// Runs the independent Python reader of layout files over bytes we wrote.
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vorlap::test {

inline QJsonObject readDSStoreFile(const std::string& path)
{
    const ShellResult result = runProgram({"python3", sourcePath("tests/dsstore/read_ds_store.py"), path});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return QJsonDocument::fromJson(QByteArray::fromStdString(result.output)).object();
}

inline QJsonObject readDSStore(const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DS_Store"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    return readDSStoreFile(path.toStdString());
}

} // namespace vorlap::test
