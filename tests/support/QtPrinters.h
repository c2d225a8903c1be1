#pragma once
// Readable failure messages for Qt strings in GoogleTest assertions.
#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << (list.isEmpty() ? QStringLiteral("{}") : "{\"" + list.join("\", \"") + "\"}").toStdString();
}

inline void PrintTo(const std::optional<QString>& text, std::ostream* os)
{
    text ? PrintTo(*text, os) : void(*os << "(none)");
}
