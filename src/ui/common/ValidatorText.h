#pragma once

#include <QString>

// What the byte-limit validator tells the user beside a field.
namespace ValidatorText {

inline const QString CannotHoldChar = QStringLiteral("「%1」は使えない文字です");
inline const QString LimitReached = QStringLiteral("%1バイトまでしか入力できません");

} // namespace ValidatorText
