#pragma once
// A raised program error: number, source and description, as the JPEG bridge
// reports them (number 26001). Plain value, safe to carry across threads.

#include <QString>
#include <stdexcept>

namespace tx {

class TxError : public std::runtime_error {
public:
    TxError(int number, QString source, QString description)
        : std::runtime_error(description.toStdString()),
          m_number(number), m_source(std::move(source)), m_description(std::move(description)) {}
    int number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }

private:
    int m_number;
    QString m_source;
    QString m_description;
};

}  // namespace tx
