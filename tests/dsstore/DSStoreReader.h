#pragma once
// Runs the independent Python reader of layout files over bytes we wrote.
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace vorlap::test {

// `input` is what the reader finds on its standard input, for a path of /dev/stdin.
inline QJsonObject readDSStoreFile(const std::string& path, const QByteArray& input = {})
{
    const ShellResult result = runProgram({"python3", sourcePath("tests/dsstore/read_ds_store.py"), path}, input.toStdString());
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return QJsonDocument::fromJson(QByteArray::fromStdString(result.output)).object();
}

inline QJsonObject readDSStore(const QByteArray& bytes) { return readDSStoreFile("/dev/stdin", bytes); }

} // namespace vorlap::test
