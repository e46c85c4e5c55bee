#pragma once
// A small option reader: "--name VALUE", "--name=VALUE" and "--flag"; what is left
// are the positional arguments. Unknown options are reported by finish().

#include <QStringList>
#include <optional>

#include "Cli.h"

namespace tx::cli {

class Args {
public:
    explicit Args(QStringList args) : m_args(std::move(args)) {}

    bool flag(const QString& name);
    std::optional<QString> option(const QString& name);
    // Whole number option within [lo, hi]; records an error when malformed.
    std::optional<int> intOption(const QString& name, int lo, int hi);
    // "AxB" option, both parts whole numbers within [lo, hi].
    std::optional<std::pair<int, int>> sizeOption(const QString& name, int lo, int hi);

    // The positional arguments left once all options were taken.
    QStringList positional() const;
    // False (with a message on err) when an option was malformed or is unknown.
    bool finish(Io io);
    void fail(const QString& message) {
        if (m_error.isEmpty()) m_error = message;
    }

private:
    QStringList m_args;
    QString m_error;
};

// The library NAME of "library <command> NAME": one plain folder name of an existing
// library. Otherwise prints the problem, sets rc (Usage for a bad name, JobFailed
// for a missing library) and returns nothing.
std::optional<QString> existingLibraryName(const QStringList& positional, const char* command, Io io, int& rc);

std::optional<std::pair<int, int>> parseSize(const QString& text, int lo, int hi);

}  // namespace tx::cli
