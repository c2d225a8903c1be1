#pragma once
// An error of the platform (file system, process launch, JSON coding) passed on
// with the platform's own description.
#include <QString>

namespace vorlap {

struct SystemError {
    QString message;

    QString description() const { return message; }

    // "<what>: <strerror(errnum)>", for example "/tmp/x: No such file or directory".
    static SystemError fromErrno(int errnum, const QString& what);

    bool operator==(const SystemError&) const = default;
};

} // namespace vorlap
