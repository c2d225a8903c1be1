#pragma once
// Readable failure messages for Qt strings in GoogleTest assertions.
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *os << '}';
}

#include <optional>

inline void PrintTo(const std::optional<QString>& text, std::ostream* os)
{
    if (text)
        PrintTo(*text, os);
    else
        *os << "(none)";
}
