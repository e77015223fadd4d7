#pragma once

#include <QValidator>

// A group label fits the group slot of the data file: at most 19 CP932 bytes (a full-width
// character counts two), and only characters CP932 can hold.
class GroupNameValidator : public QValidator
{
    Q_OBJECT
public:
    static constexpr long MaxBytes = 19;

    explicit GroupNameValidator(QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;
};
